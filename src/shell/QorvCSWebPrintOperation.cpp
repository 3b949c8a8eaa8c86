#include "QorvCSWebPrintOperation.h"

#include "QorvCSWebEngineView.h"

#include "QorvCSPDFFinisher.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

namespace {

QPageLayout pageLayout(const QorvCSPrintJob& job)
{
    const QPageSize size(
        QSizeF(job.paperWidth > 0 ? job.paperWidth : 595.28, job.paperHeight > 0 ? job.paperHeight : 841.89),
        QPageSize::Point, QString(), QPageSize::FuzzyOrientationMatch);
    const QMarginsF margins(job.leftMargin, job.topMargin, job.rightMargin, job.bottomMargin);
    QPageLayout layout(
        size, job.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins, QPageLayout::Point);
    layout.setMode(QPageLayout::StandardMode);
    return layout;
}

} // namespace

QorvCSWebPrintOperation::QorvCSWebPrintOperation(QorvCSWebEngineView* view, QWidget* dialogParent)
    : m_view(view)
    , m_dialogParent(dialogParent)
{ }

QorvCSWebPrintOperation::~QorvCSWebPrintOperation()
{
    disconnect(m_finished);
}

void QorvCSWebPrintOperation::finish(bool ok, const std::string& reason)
{
    disconnect(m_finished);
    auto completion = std::move(m_completion);
    m_completion = {};
    // The printer must live until the engine is done with it; release it after this event.
    if (m_printer)
        QTimer::singleShot(0, this, [printer = m_printer.release()] { delete printer; });
    if (completion)
        completion(ok, reason);
}

void QorvCSWebPrintOperation::runWhenLoaded(std::function<void()> work)
{
    // The export document may still be loading after a refresh.
    auto prepared = [this, work] { openWhatTheReaderOpened(work); };
    if (!m_view->isLoading()) {
        prepared();
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(m_view, &QorvCSWebEngineView::reportLoaded, this, [connection, prepared](bool) {
        QObject::disconnect(*connection);
        prepared();
    });
}

void QorvCSWebPrintOperation::openWhatTheReaderOpened(std::function<void()> then)
{
    // Both documents come from the same rendering, so a "more" paragraph has the same id in each. An explanation
    // the reader opened is one they wanted; the rest would double the printout.
    static const QString opened = QStringLiteral(
        "Array.prototype.filter.call(document.querySelectorAll('p.more[id]'),"
        " function (p) { return getComputedStyle(p).display !== 'none'; }).map(function (p) { return p.id; })");
    auto mark = [this, then](const QVariant& ids) {
        const QString script = QStringLiteral(
            "(function (ids) {"
            " Array.prototype.forEach.call(document.querySelectorAll('p.more.opened'),"
            "  function (p) { p.classList.remove('opened'); });"
            " ids.forEach(function (id) { var p = document.getElementById(id); if (p) p.classList.add('opened'); });"
            "})(%1)")
                                   .arg(QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(ids.toStringList()))
                                                              .toJson(QJsonDocument::Compact)));
        m_view->page()->runJavaScript(script, [then](const QVariant&) { then(); });
    };
    if (m_readerView)
        m_readerView->page()->runJavaScript(opened, mark);
    else
        mark(QVariant(QStringList()));
}

void QorvCSWebPrintOperation::run(const QorvCSPrintJob& job, bool showPrintPanel, Completion completion)
{
    if (m_completion) {
        completion(false, "another print job is running");
        return;
    }
    m_completion = std::move(completion);
    const QPageLayout layout = pageLayout(job);

    if (job.saveToFile && !showPrintPanel) {
        const QString path = QString::fromStdString(job.savingPath);
        const QFileInfo directory(QFileInfo(path).absolutePath());
        if (path.isEmpty() || !directory.isDir() || !directory.isWritable()) {
            finish(false, path.isEmpty() ? "no file name" : "the folder does not exist or cannot be written");
            return;
        }
        const double bottomMargin = job.bottomMargin;
        m_finished = connect(m_view->page(), &QWebEnginePage::pdfPrintingFinished, this,
            [this, bottomMargin](const QString& file, bool ok) {
                if (!ok) {
                    finish(false, "the PDF file could not be written");
                    return;
                }
                // The document's title names the report and the computer ("…: " when the name is unknown).
                QString title = m_view->page()->title().trimmed();
                if (title.endsWith(QLatin1Char(':')))
                    title.chop(1);
                const std::string reason
                    = QorvCSPDFFinisher::finish(file.toStdString(), title.toStdString(), bottomMargin);
                finish(reason.empty(), reason);
            });
        runWhenLoaded([this, path, layout] { m_view->page()->printToPdf(path, layout); });
        return;
    }

    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPageLayout(layout);
    if (job.saveToFile) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(QString::fromStdString(job.savingPath));
    }
    if (showPrintPanel) {
        QPrintDialog dialog(m_printer.get(), m_dialogParent);
        dialog.setWindowTitle(QObject::tr("Print Report"));
        if (dialog.exec() != QDialog::Accepted) {
            finish(false, "cancelled");
            return;
        }
    }
    m_finished = connect(m_view, &QWebEngineView::printFinished, this,
        [this](bool ok) { finish(ok, ok ? std::string() : "printing failed"); });
    runWhenLoaded([this] { m_view->print(m_printer.get()); });
}

void QorvCSWebPrintOperation::runPageLayout(qorv::Value::Dictionary& settings)
{
    QorvCSPrintJob current = QorvCSMakePrintJob(settings, {});
    QPrinter printer(QPrinter::HighResolution);
    // The dialog edits the borders as margins; the shared settings keep them as the imageable area.
    const auto number = [&](std::string_view key) {
        auto it = settings.find(key);
        return it == settings.end() ? 0.0 : it->second.asReal().value_or(0);
    };
    const double x = number(QorvCSPrintImageableX), y = number(QorvCSPrintImageableY);
    const double w = number(QorvCSPrintImageableWidth), h = number(QorvCSPrintImageableHeight);
    current.leftMargin = x;
    current.bottomMargin = y;
    current.rightMargin = current.paperWidth - x - w;
    current.topMargin = current.paperHeight - y - h;
    printer.setPageLayout(pageLayout(current));
    QPageSetupDialog dialog(&printer, m_dialogParent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QPageLayout layout = printer.pageLayout();
    const QSizeF paper = layout.pageSize().size(QPageSize::Point);
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    const bool landscape = layout.orientation() == QPageLayout::Landscape;
    settings.insert_or_assign(std::string(QorvCSPrintPaperWidth), paper.width());
    settings.insert_or_assign(std::string(QorvCSPrintPaperHeight), paper.height());
    settings.insert_or_assign(std::string(QorvCSPrintImageableX), margins.left());
    settings.insert_or_assign(std::string(QorvCSPrintImageableY), margins.bottom());
    settings.insert_or_assign(std::string(QorvCSPrintImageableWidth), paper.width() - margins.left() - margins.right());
    settings.insert_or_assign(
        std::string(QorvCSPrintImageableHeight), paper.height() - margins.top() - margins.bottom());
    settings.insert_or_assign(std::string(QorvCSPrintOrientation), landscape ? "landscape" : "portrait");
}
