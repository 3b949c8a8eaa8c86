#include "QorvCSWebPrintOperation.h"

#include "QorvCSWebEngineView.h"

#include "QorvCSModules.h"
#include "QorvCSPDFFinisher.h"
#include "pdf-pages/QorvCSPDFPagesModule.h"

#include "foundation/AtomicFile.h"
#include "foundation/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
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
    connect(m_deadline, &QTimer::timeout, this,
        [this] { finish(false, tr("the report did not print in time").toStdString()); });
    // A renderer that dies never answers: the job (and the pause of the report it holds) ends here instead.
    connect(m_view, &QorvCSWebEngineView::rendererStopped, this, [this] {
        if (isRunning())
            finish(false, tr("the report's renderer stopped before the job was done").toStdString());
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
    m_scratch.reset(); // nothing of the report stays behind in the temporary folder
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
    m_deadline->start(m_timeLimit);
    // The export document may still be loading after a refresh.
    auto prepared = [this, work] { openWhatTheReaderOpened(work); };
    if (!m_view->isLoading()) {
        prepared();
        return;
    }
    m_loaded = connect(m_view, &QorvCSWebEngineView::reportLoaded, this, [this, prepared](bool) {
        disconnect(m_loaded);
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
    auto mark = [this, then, self = QPointer(this), job = m_job](const QVariant& ids) {
        if (!self || !isCurrent(job))
            return;
        const QString script = QStringLiteral(
            "(function (ids) {"
            " Array.prototype.forEach.call(document.querySelectorAll('p.more.opened'),"
            "  function (p) { p.classList.remove('opened'); });"
            " ids.forEach(function (id) { var p = document.getElementById(id); if (p) p.classList.add('opened'); });"
            "})(%1)")
                                   .arg(QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(ids.toStringList()))
                                                              .toJson(QJsonDocument::Compact)));
        m_view->page()->runJavaScript(script, [this, then, self, job](const QVariant&) {
            if (self && isCurrent(job))
                then();
        });
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
    ++m_job;
    const QPageLayout layout = pageLayout(job);

    if (job.saveToFile && !showPrintPanel) {
        const QString path = QString::fromStdString(job.savingPath);
        const QFileInfo directory(QFileInfo(path).absolutePath());
        if (path.isEmpty() || !directory.isDir() || !directory.isWritable()) {
            finish(false,
                path.isEmpty() ? tr("no file name").toStdString()
                               : tr("the folder does not exist or cannot be written").toStdString());
            return;
        }
        // The engine writes its file itself, truncating whatever is at the path: it prints into a private folder,
        // and the finished file then replaces the chosen one whole, or leaves it as it was.
        m_scratch = std::make_unique<QTemporaryDir>();
        if (!m_scratch->isValid()) {
            finish(false, m_scratch->errorString().toStdString());
            return;
        }
        const QString printed = m_scratch->filePath(QStringLiteral("report.pdf"));
        printFinishedPDF(printed, layout, job.bottomMargin, [this, printed, path](const std::string& reason) {
            const std::string error = reason.empty() ? putInPlace(printed, path) : reason;
            finish(error.empty(), error);
        });
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
        dialog.setWindowTitle(tr("Print Report"));
        if (dialog.exec() != QDialog::Accepted) {
            finish(false, tr("cancelled").toStdString());
            return;
        }
    }
    // The engine's own printing to a QPrinter would leave the pages unnumbered: print the finished PDF instead.
    m_scratch = std::make_unique<QTemporaryDir>();
    const QString pdf = m_scratch->filePath(QStringLiteral("report.pdf"));
    const QPageLayout chosen = m_printer->pageLayout();
    printFinishedPDF(pdf, chosen, chosen.margins(QPageLayout::Point).bottom(), [this, pdf](const std::string& reason) {
        if (!reason.empty()) {
            finish(false, reason);
            return;
        }
        const std::string error = printDocument(pdf, *m_printer);
        finish(error.empty(), error);
    });
}

void QorvCSWebPrintOperation::printFinishedPDF(
    const QString& path, const QPageLayout& layout, double bottomMargin, std::function<void(const std::string&)> done)
{
    runWhenLoaded([this, path, layout, bottomMargin, done] { printPass(path, layout, bottomMargin, done, 1); });
}

void QorvCSWebPrintOperation::printPass(const QString& path, const QPageLayout& layout, double bottomMargin,
    std::function<void(const std::string&)> done, int pass)
{
    // The engine does not keep a heading with the rows below it: print, read where each page ends, let the export
    // document move the tables whose heading ended a page, and print again, a few passes at most.
    constexpr int passes = 6;
    m_finished = connect(m_view->page(), &QWebEnginePage::pdfPrintingFinished, this,
        [this, path, layout, bottomMargin, done, pass](const QString& file, bool ok) {
            disconnect(m_finished);
            if (!ok) {
                done(tr("the PDF file could not be written").toStdString());
                return;
            }
            auto finishFile = [this, file, bottomMargin, done] {
                // The document's title names the report and the computer ("…: " when the name is unknown).
                QString title = m_view->page()->title().trimmed();
                if (title.endsWith(QLatin1Char(':')))
                    title.chop(1);
                done(QorvCSPDFFinisher::finish(file.toStdString(), title.toStdString(), bottomMargin));
            };
            const QJsonArray lastLines = pass < passes ? pageEndings(file) : QJsonArray();
            if (lastLines.isEmpty()) {
                finishFile();
                return;
            }
            const QString script
                = QStringLiteral("typeof cellsheetKeepWithRows === 'function' ? cellsheetKeepWithRows(%1) : 0")
                      .arg(QString::fromUtf8(QJsonDocument(lastLines).toJson(QJsonDocument::Compact)));
            m_view->page()->runJavaScript(script,
                [this, path, layout, bottomMargin, done, pass, finishFile, self = QPointer(this), job = m_job](
                    const QVariant& moved) {
                    if (!self || !isCurrent(job))
                        return;
                    if (moved.toInt() > 0)
                        printPass(path, layout, bottomMargin, done, pass + 1);
                    else
                        finishFile();
                });
        });
    m_view->page()->printToPdf(path, layout);
}

namespace {

// Qt PDF's part, loaded the first time a job reads a printed PDF's pages.
const QorvCSPDFPagesFunctions* pdfPages(std::string& reason)
{
    const auto entry = reinterpret_cast<QorvCSPDFPagesEntry>(
        QorvCSModules::symbol(QORVCS_PDF_PAGES_MODULE_NAME, QORVCS_PDF_PAGES_SYMBOL, reason));
    return entry ? entry() : nullptr;
}

} // namespace

QJsonArray QorvCSWebPrintOperation::pageEndings(const QString& pdf)
{
    std::string reason;
    const QorvCSPDFPagesFunctions* pages = pdfPages(reason);
    if (!pages) {
        // The PDF is still made, with the page breaks as laid out.
        qorv::log("rows could not be kept with their headings across pages: " + reason);
        return {};
    }
    return pages->pageEndings(pdf);
}

std::string QorvCSWebPrintOperation::printDocument(const QString& pdf, QPrinter& printer)
{
    // "Print to file" in the dialog: the finished PDF itself, with its real text.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return putInPlace(pdf, printer.outputFileName());
    return rasterize(pdf, printer);
}

std::string QorvCSWebPrintOperation::putInPlace(const QString& printed, const QString& path)
{
    QFile file(printed);
    if (!file.open(QIODevice::ReadOnly))
        return tr("the PDF file could not be written").toStdString();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return tr("the PDF file could not be written").toStdString();
    return qorv::writeFileAtomically(path.toStdString(), std::string_view(bytes.constData(), size_t(bytes.size())));
}

std::string QorvCSWebPrintOperation::rasterize(const QString& pdf, QPrinter& printer)
{
    std::string reason;
    const QorvCSPDFPagesFunctions* pages = pdfPages(reason);
    if (!pages)
        return tr("the report could not be prepared for printing").toStdString() + ": " + reason;
    switch (pages->rasterize(pdf, printer)) {
    case QorvCSPDFPagesFunctions::Result::Printed:
        return {};
    case QorvCSPDFPagesFunctions::Result::Unreadable:
        return tr("the report could not be prepared for printing").toStdString();
    case QorvCSPDFPagesFunctions::Result::PrintingFailed:
        break;
    }
    return tr("printing failed").toStdString();
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
