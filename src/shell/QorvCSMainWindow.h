#pragma once

#include <QMainWindow>

#include <memory>

class QLineEdit;
class QToolBar;
class QorvCSApplicationController;
class QorvCSSidebarView;
class QorvCSWebEngineView;
class QorvCSQtToolbar;
class QorvCSDesktopWorkspace;

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

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    void applyPalette();

    QorvCSSidebarView* m_outline = nullptr;
    QorvCSWebEngineView* m_webView = nullptr;
    QorvCSWebEngineView* m_printView = nullptr;
    QLineEdit* m_searchField = nullptr;
    QToolBar* m_toolBar = nullptr;
    std::unique_ptr<QorvCSQtToolbar> m_toolbarAdapter;
    std::unique_ptr<QorvCSDesktopWorkspace> m_workspace;
    std::unique_ptr<QorvCSApplicationController> m_controller;
};
