#pragma once

#include "QorvCSPrintOperation.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QPrinter;
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

    // The view the reader reads: the "more" explanations opened there are printed, the others are not.
    void setReaderView(QWebEngineView* view) { m_readerView = view; }

private:
    void finish(bool ok, const std::string& reason);
    void runWhenLoaded(std::function<void()> work);
    void openWhatTheReaderOpened(std::function<void()> then);

    QorvCSWebEngineView* m_view;
    QPointer<QWidget> m_dialogParent;
    QPointer<QWebEngineView> m_readerView;
    std::unique_ptr<QPrinter> m_printer; // alive until the engine says it has finished
    Completion m_completion;
    QMetaObject::Connection m_finished;
};
