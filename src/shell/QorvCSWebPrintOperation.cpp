#include "QorvCSWebPrintOperation.h"

#include "QorvCSWebEngineView.h"

#include <QDir>
#include <QFileInfo>
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
    , m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] { finish(false, "the report did not print in time"); });
    // A renderer that dies never answers: the job (and the pause of the report it holds) ends here instead.
    connect(m_view->page(), &QWebEnginePage::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
            if (isRunning())
                finish(false, "the report's renderer stopped before the job was done");
        });
}

QorvCSWebPrintOperation::~QorvCSWebPrintOperation()
{
    disconnect(m_finished);
    disconnect(m_loaded);
}

void QorvCSWebPrintOperation::finish(bool ok, const std::string& reason)
{
    disconnect(m_finished);
    disconnect(m_loaded);
    m_deadline->stop();
    auto completion = std::move(m_completion);
    m_completion = {};
    if (m_printer) {
        // The printer must live until the engine is done with it: after this event when the engine has answered,
        // else when (if ever) it does.
        QPrinter* printer = m_printer.release();
        if (m_printing) {
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = connect(m_view, &QWebEngineView::printFinished, this, [this, connection, printer](bool) {
                disconnect(*connection);
                m_printing = false;
                delete printer;
            });
        } else {
            QTimer::singleShot(0, this, [printer] { delete printer; });
        }
    }
    if (completion)
        completion(ok, reason);
}

void QorvCSWebPrintOperation::runWhenLoaded(std::function<void()> work)
{
    m_deadline->start(m_timeLimit);
    // The export document may still be loading after a refresh.
    if (!m_view->isLoading()) {
        work();
        return;
    }
    m_loaded = connect(m_view, &QorvCSWebEngineView::reportLoaded, this, [this, work](bool) {
        disconnect(m_loaded);
        work();
    });
}

void QorvCSWebPrintOperation::run(const QorvCSPrintJob& job, bool showPrintPanel, Completion completion)
{
    if (m_completion) {
        completion(false, "another print job is running");
        return;
    }
    if (m_printing) {
        completion(false, "the printer has not finished an earlier job yet");
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
        m_finished = connect(m_view->page(), &QWebEnginePage::pdfPrintingFinished, this,
            [this](const QString&, bool ok) { finish(ok, ok ? std::string() : "the PDF file could not be written"); });
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
    m_finished = connect(m_view, &QWebEngineView::printFinished, this, [this](bool ok) {
        m_printing = false;
        finish(ok, ok ? std::string() : "printing failed");
    });
    runWhenLoaded([this] {
        m_printing = true;
        m_view->print(m_printer.get());
    });
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
