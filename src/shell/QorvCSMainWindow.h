#pragma once

#include <QMainWindow>

#include <memory>

class QLineEdit;
class QMenu;
class QToolBar;
class QorvCSApplicationController;
class QorvCSSidebarView;
class QorvCSWebEngineView;
class QorvCSQtToolbar;
class QorvCSDesktopWorkspace;
class QorvCSWebPrintOperation;
class QorvCSFileSavePanel;
class QorvCSXdgEmailComposer;
class QorvCSMessageAlert;

// The main window: the sidebar of report sections beside the report, a toolbar with the search field, and a
// hidden view that holds the export rendering. It creates the window controller and connects it to its views.
class QorvCSMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit QorvCSMainWindow(QWidget* parent = nullptr);
    ~QorvCSMainWindow() override;

    QorvCSApplicationController& applicationController() { return *m_controller; }
    QorvCSSidebarView* contentOutline() const { return m_outline; }
    QorvCSWebEngineView* contentWebView() const { return m_webView; }
    QorvCSWebEngineView* contentPrintView() const { return m_printView; }
    QLineEdit* searchField() const { return m_searchField; }
    QToolBar* toolBar() const { return m_toolBar; }
    QMenu* applicationMenu() const { return m_applicationMenu; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    void buildToolbarItems();
    void applyPalette();

    QorvCSSidebarView* m_outline = nullptr;
    QorvCSWebEngineView* m_webView = nullptr;
    QorvCSWebEngineView* m_printView = nullptr;
    QLineEdit* m_searchField = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_applicationMenu = nullptr;
    QMenu* m_fileMenu = nullptr;
    std::unique_ptr<QorvCSQtToolbar> m_toolbarAdapter;
    std::unique_ptr<QorvCSDesktopWorkspace> m_workspace;
    std::unique_ptr<QorvCSWebPrintOperation> m_printOperation;
    std::unique_ptr<QorvCSFileSavePanel> m_savePanel;
    std::unique_ptr<QorvCSXdgEmailComposer> m_mailComposer;
    std::unique_ptr<QorvCSMessageAlert> m_alert;
    std::unique_ptr<QorvCSApplicationController> m_controller;
};
