#pragma once

#include <QObject>
#include <QPointer>

#include <string_view>

class QorvCSMainWindow;
class QorvCSApplicationController;

// The application's delegate: finishes the launch once the main window and its controller exist.
class cellsheetAppDelegate : public QObject {
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

private:
    QPointer<QorvCSMainWindow> m_window;
    QorvCSApplicationController* m_applicationController = nullptr;
};
