#pragma once

#include <QMainWindow>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QMenu;
class QSplitter;
class QTimer;
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
class QorvCSSearchField;
class QorvCSQtSettingsStore;
struct QorvCSRememberedWindow;

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
    QLineEdit* searchField() const;
    QorvCSSearchField* search() const { return m_search; }
    QAction* showSidebarAction() const { return m_showSidebar; }
    // The screen report's zoom; printing and PDF files are not zoomed.
    double zoomFactor() const { return m_zoom; }
    void setZoomFactor(double zoom);
    void zoomIn();
    void zoomOut();
    QToolBar* toolBar() const { return m_toolBar; }
    QSplitter* splitter() const { return m_splitter; }

    // Writes what the window remembers (place, sidebar, unticked sections, page setup, folder) to its settings.
    void saveSettings();
    // Saves them once changes have paused this long, so a crash loses no more than the last moment's.
    static constexpr int settingsSaveDelay = 1000; // ms
    bool hasUnsavedSettings() const;
    // Opens the UPS servers dialog, window-modal; on OK its choice is applied.
    void showUPSServers();
    // Reads these UPS servers from now on (nullopt: the bundle's) and remembers them.
    void setUPSServers(std::optional<std::vector<std::string>> servers);
    const std::optional<std::vector<std::string>>& upsServers() const { return m_upsServers; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void buildToolbarItems();
    void applyPalette();
    void restoreSettings(const QorvCSRememberedWindow& remembered);
    void saveSettingsSoon();

    QorvCSSidebarView* m_outline = nullptr;
    QorvCSWebEngineView* m_webView = nullptr;
    QorvCSWebEngineView* m_printView = nullptr;
    QorvCSSearchField* m_search = nullptr;
    QString m_searchedText; // the text of the search whose result the engine will report next
    QAction* m_showSidebar = nullptr;
    double m_zoom = 1.0;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QSplitter* m_splitter = nullptr;
    int m_rememberedSidebarWidth = 0;
    QTimer* m_saveTimer = nullptr;
    std::optional<std::vector<std::string>> m_upsServers; // chosen in the window; nullopt: the bundle's
    std::unique_ptr<QorvCSQtSettingsStore> m_settingsStore;
    std::unique_ptr<QorvCSQtToolbar> m_toolbarAdapter;
    std::unique_ptr<QorvCSDesktopWorkspace> m_workspace;
    std::unique_ptr<QorvCSWebPrintOperation> m_printOperation;
    std::unique_ptr<QorvCSFileSavePanel> m_savePanel;
    std::unique_ptr<QorvCSXdgEmailComposer> m_mailComposer;
    std::unique_ptr<QorvCSMessageAlert> m_alert;
    std::unique_ptr<QorvCSApplicationController> m_controller;
};
