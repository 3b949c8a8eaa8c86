#pragma once

#include "QorvFeedbackControllerDelegate.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string_view>

class QMenuBar;
class QorvApplicationExtras;
class QorvCSMainWindow;
class QorvCSApplicationController;
class QorvFeedbackController;

// The application's delegate: finishes the launch once the main window and its controller exist, adds the
// application menu's extras, and serves the feedback sheet (pausing the report while it is up).
class cellsheetAppDelegate : public QObject, public QorvFeedbackControllerDelegate {
    Q_OBJECT
public:
    explicit cellsheetAppDelegate(QObject* parent = nullptr);
    ~cellsheetAppDelegate() override;

    virtual std::string_view className() const { return "cellsheetAppDelegate"; }

    // Loads the main window (connecting the controller's outlets) and finishes the launch.
    void launch();
    void applicationDidFinishLaunching();
    // Closing the main window quits the application.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }

    QorvCSMainWindow* window() const;
    void setWindow(QorvCSMainWindow* window);
    QorvCSApplicationController* applicationController() const { return m_applicationController; }
    void setApplicationController(QorvCSApplicationController* controller) { m_applicationController = controller; }

    // Feedback: shows the sheet over the main window with updates paused until it closes.
    Q_INVOKABLE void feedback();
    // Created on first use; one controller serves every showing.
    const std::shared_ptr<QorvFeedbackController>& feedbackController();
    void setFeedbackController(std::shared_ptr<QorvFeedbackController> controller);
    // "file-report-html" (the on-screen report) and "file-debug-plist" (the content tree's debug dump as XML), of
    // the sections the sidebar includes, sanitised when the sheet's checkbox says so.
    std::optional<QorvFeedbackFields> dictionaryForFeedbackController(QorvFeedbackController& controller) override;
    void feedbackControllerDidFinish(QorvFeedbackController& controller) override;

    const std::shared_ptr<QorvApplicationExtras>& applicationExtras() const { return m_applicationExtras; }
    void setApplicationExtras(std::shared_ptr<QorvApplicationExtras> extras)
    {
        m_applicationExtras = std::move(extras);
    }

private:
    // Sends the menu actions whose "responderAction" property names one of this object's invokable methods to it.
    void connectResponderActions(QMenuBar* menuBar);

    QPointer<QorvCSMainWindow> m_window;
    QorvCSApplicationController* m_applicationController = nullptr;
    std::shared_ptr<QorvFeedbackController> m_feedbackController;
    std::shared_ptr<QorvApplicationExtras> m_applicationExtras;
};
