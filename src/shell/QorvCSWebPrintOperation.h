#pragma once

#include "QorvCSPrintOperation.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

class QPrinter;
class QTimer;
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

private:
    void finish(bool ok, const std::string& reason);
    void runWhenLoaded(std::function<void()> work);

    QorvCSWebEngineView* m_view;
    QPointer<QWidget> m_dialogParent;
    std::unique_ptr<QPrinter> m_printer; // alive until the engine says it has finished
    Completion m_completion;
    QMetaObject::Connection m_finished;
    QMetaObject::Connection m_loaded;
    bool m_printing = false; // the engine holds the printer until it reports printFinished
    QTimer* m_deadline;
    std::chrono::milliseconds m_timeLimit { std::chrono::minutes(2) };
};
