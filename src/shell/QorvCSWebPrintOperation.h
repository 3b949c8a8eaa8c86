#pragma once

#include "QorvCSPrintOperation.h"

#include <QJsonArray>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

class QPageLayout;
class QPrinter;
class QTimer;
class QTemporaryDir;
class QWebEngineView;
class QWidget;
class QorvCSWebEngineView;

// Prints the export view: PDF files through the engine's own PDF writer (real, selectable text), paper through
// a QPrinter, with the print dialog when asked.
class QorvCSWebPrintOperation : public QObject, public QorvCSPrintOperation {
    Q_OBJECT
public:
    QorvCSWebPrintOperation(QorvCSWebEngineView* view, QWidget* dialogParent);
    ~QorvCSWebPrintOperation() override;

    void run(const QorvCSPrintJob& job, bool showPrintPanel, Completion completion) override;
    void runPageLayout(qorv::Value::Dictionary& sharedSettings) override;

    bool isRunning() const { return static_cast<bool>(m_completion); }
    // How long a job may wait for the export document and then print before it fails; 2 minutes by default.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }

    // The view the reader reads: the "more" explanations opened there are printed, the others are not.
    void setReaderView(QWebEngineView* view) { m_readerView = view; }

    // Prints a finished PDF on a printer: a "print to file" PDF printer gets the file itself, any other printer
    // each page as an image (rasterize). Returns the reason of a failure, or an empty text.
    static std::string printDocument(const QString& pdf, QPrinter& printer);
    // The last line of text of every page but the last, as {text, page, pages} (pages counted from 1).
    static QJsonArray pageEndings(const QString& pdf);
    static std::string rasterize(const QString& pdf, QPrinter& printer);
    // Writes the printed file to path whole (qorv::writeFileAtomically): a failure leaves what was there intact.
    static std::string putInPlace(const QString& printed, const QString& path);

private:
    void finish(bool ok, const std::string& reason);
    // Whether an answer the engine gives now belongs to the job still running: one that has ended, in time or not,
    // starts nothing more and writes nothing.
    bool isCurrent(unsigned job) const { return isRunning() && m_job == job; }
    void runWhenLoaded(std::function<void()> work);
    void openWhatTheReaderOpened(std::function<void()> then);
    // Prints the export view to a PDF file and numbers and names it (QorvCSPDFFinisher); done gets the reason of a
    // failure, or an empty text.
    void printFinishedPDF(const QString& path, const QPageLayout& layout, double bottomMargin,
        std::function<void(const std::string&)> done);
    void printPass(const QString& path, const QPageLayout& layout, double bottomMargin,
        std::function<void(const std::string&)> done, int pass);

    QorvCSWebEngineView* m_view;
    QPointer<QWidget> m_dialogParent;
    QPointer<QWebEngineView> m_readerView;
    std::unique_ptr<QPrinter> m_printer; // alive until the engine says it has finished
    std::unique_ptr<QTemporaryDir> m_scratch; // the PDF a file or a paper printout is made from
    Completion m_completion;
    unsigned m_job = 0; // counts the jobs run
    QMetaObject::Connection m_finished;
    QMetaObject::Connection m_loaded;
    QTimer* m_deadline;
    std::chrono::milliseconds m_timeLimit { std::chrono::minutes(2) };
};
