#include "QorvCSMainWindow.h"

#include "QorvCSAttachmentReviewDialog.h"
#include "QorvCSDesktopWorkspace.h"
#include "QorvCSFileSavePanel.h"
#include "QorvCSHelpMenu.h"
#include "QorvCSMessageAlert.h"
#include "QorvCSQtSettingsStore.h"
#include "QorvCSQtToolbar.h"
#include "QorvCSSearchField.h"
#include "QorvCSSidebarView.h"
#include "QorvCSUPSServersDialog.h"
#include "QorvCSWebEngineView.h"
#include "QorvCSWebPrintOperation.h"
#include "QorvCSXdgEmailComposer.h"

#include "QorvCSApplicationController.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSReportColors.h"
#include "QorvCSWindowSettings.h"
#include "linux/QorvCSNUTPowerSourceProvider.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineFindTextResult>

#include <algorithm>
#include <array>

namespace {

QString localized(const char* key, const char* fallback)
{
    return QString::fromStdString(qorv::Bundle::main().localizedString(key, fallback));
}

} // namespace

QorvCSMainWindow::QorvCSMainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_workspace(std::make_unique<QorvCSDesktopWorkspace>())
    , m_controller(std::make_unique<QorvCSApplicationController>())
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("cellsheet"));
    resize(1100, 760);
    applyPalette();

    m_toolBar = addToolBar(tr("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbarAdapter = std::make_unique<QorvCSQtToolbar>(m_toolBar);
    m_toolBar->setIconSize(QSize(24, 24));
    buildToolbarItems();

    auto* spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    m_search = new QorvCSSearchField(m_toolBar);
    m_search->lineEdit()->setPlaceholderText(localized("QorvCSApplicationController.searchPlaceholder", "Search"));
    m_toolBar->addWidget(m_search);

    m_splitter = new QSplitter(this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_outline = new QorvCSSidebarView(m_splitter);
    m_webView = new QorvCSWebEngineView(QStringLiteral("screen"), m_splitter);
    m_webView->setObjectName(QStringLiteral("contentWebView"));
    m_splitter->addWidget(m_outline);
    m_splitter->addWidget(m_webView);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({ 270, 830 });
    setCentralWidget(m_splitter);

    // Holds the export rendering for printing and PDF output; never shown.
    m_printView = new QorvCSWebEngineView(QStringLiteral("export"));
    m_printView->setObjectName(QStringLiteral("contentPrintView"));
    m_printView->setAttribute(Qt::WA_DontShowOnScreen);
    m_printView->resize(800, 1000);

    m_printOperation = std::make_unique<QorvCSWebPrintOperation>(m_printView, this);
    m_printOperation->setReaderView(m_webView);
    m_savePanel = std::make_unique<QorvCSFileSavePanel>(this);
    m_mailComposer = std::make_unique<QorvCSXdgEmailComposer>();
    m_alert = std::make_unique<QorvCSMessageAlert>(this);
    buildMenus();

    connect(m_search, &QorvCSSearchField::searchRequested, this, [this](const QString& text, bool forward) {
        m_searchedText = text;
        m_controller->searchReport(text.toStdString(), forward);
    });
    connect(m_webView->page(), &QWebEnginePage::findTextFinished, this, [this](const QWebEngineFindTextResult& result) {
        m_search->showResult(m_searchedText, result.activeMatch(), result.numberOfMatches());
    });
    // A new rendering takes the highlighted matches with it; searching it again would scroll the reader away. A patch's
    // charts go in after its tables, so a count made in between is gone again once they are in. The engine's search
    // would go on counting a patched page as it was: it is ended (its answer is for no text), and the next step
    // counts the page afresh.
    const auto pageChanged = [this] {
        // Most readings arrive with no search under way: they cost the engine no call.
        if (!m_searchedText.isEmpty())
            m_webView->findText(QString());
        m_searchedText.clear();
        m_search->forgetResult();
    };
    connect(m_webView, &QorvCSWebEngineView::reportLoaded, this, pageChanged);
    connect(m_webView, &QorvCSWebEngineView::reportPatched, this, pageChanged);
    connect(m_webView, &QorvCSWebEngineView::chartsSettled, this, pageChanged);

    m_controller->setToolbar(m_toolbarAdapter.get());
    m_controller->setContentOutline(m_outline);
    m_controller->setContentWebView(m_webView);
    m_controller->setContentPrintView(m_printView);
    m_controller->setWorkspace(m_workspace.get());
    m_controller->setPrintOperation(m_printOperation.get());
    m_controller->setSavePanel(m_savePanel.get());
    m_controller->setMailComposer(m_mailComposer.get());
    m_controller->setAlertPresenter(m_alert.get());
    m_controller->setAttachmentReview(new QorvCSAttachmentReviewDialog(this));
    m_settingsStore = std::make_unique<QorvCSQtSettingsStore>();
    restoreSettings(QorvCSWindowSettings(*m_settingsStore).load());
    m_saveTimer = new QTimer(this);
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(settingsSaveDelay);
    connect(m_saveTimer, &QTimer::timeout, this, &QorvCSMainWindow::saveSettings);
    m_controller->setRememberedChoicesObserver([this] { saveSettingsSoon(); });
    connect(m_splitter, &QSplitter::splitterMoved, this, &QorvCSMainWindow::saveSettingsSoon);
    m_controller->awakeFromNib();
}

void QorvCSMainWindow::saveSettingsSoon()
{
    if (m_saveTimer)
        m_saveTimer->start();
}

bool QorvCSMainWindow::hasUnsavedSettings() const
{
    return m_saveTimer && m_saveTimer->isActive();
}

void QorvCSMainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (isVisible())
        saveSettingsSoon();
}

void QorvCSMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (isVisible())
        saveSettingsSoon();
}

void QorvCSMainWindow::restoreSettings(const QorvCSRememberedWindow& remembered)
{
    if (remembered.geometry)
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*remembered.geometry)));
    if (remembered.state)
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*remembered.state)));
    if (remembered.sidebarWidth) {
        m_rememberedSidebarWidth = *remembered.sidebarWidth;
        const int total = std::max(m_splitter->width(), width());
        m_splitter->setSizes({ m_rememberedSidebarWidth, std::max(1, total - m_rememberedSidebarWidth) });
    }
    m_controller->setUntickedSections(remembered.unticked);
    if (remembered.pageSetup)
        for (const auto& [key, value] : *remembered.pageSetup)
            m_controller->sharedPrintSettings().insert_or_assign(key, value);
    if (remembered.saveFolder)
        m_controller->setSaveFolder(*remembered.saveFolder);
    if (remembered.upsServers) {
        m_upsServers = remembered.upsServers;
        QorvCSNUTPowerSourceProvider::chooseServers(m_upsServers);
    }
}

void QorvCSMainWindow::saveSettings()
{
    if (m_saveTimer)
        m_saveTimer->stop();
    QorvCSRememberedWindow remembered;
    remembered.geometry = saveGeometry().toBase64().toStdString();
    remembered.state = saveState().toBase64().toStdString();
    // A hidden or squeezed sidebar keeps the width it had when it was last shown.
    const int sidebar = m_outline->isVisible() ? m_splitter->sizes().value(0) : m_rememberedSidebarWidth;
    if (sidebar >= QorvCSWindowSettings::minimumSidebarWidth && sidebar <= QorvCSWindowSettings::maximumSidebarWidth)
        remembered.sidebarWidth = sidebar;
    else if (m_rememberedSidebarWidth)
        remembered.sidebarWidth = m_rememberedSidebarWidth;
    remembered.unticked = m_controller->untickedSections();
    qorv::Value::Dictionary page;
    for (const auto key : { QorvCSPrintPaperWidth, QorvCSPrintPaperHeight, QorvCSPrintImageableX, QorvCSPrintImageableY,
             QorvCSPrintImageableWidth, QorvCSPrintImageableHeight, QorvCSPrintOrientation })
        if (const auto it = m_controller->sharedPrintSettings().find(key);
            it != m_controller->sharedPrintSettings().end())
            page.insert_or_assign(std::string(key), it->second);
    remembered.pageSetup = std::move(page);
    if (!m_controller->saveFolder().empty())
        remembered.saveFolder = m_controller->saveFolder();
    remembered.upsServers = m_upsServers;
    QorvCSWindowSettings(*m_settingsStore).save(remembered);
    if (!m_settingsStore->sync())
        qorv::log(qorv::format("The settings could not be written to %@.", m_settingsStore->location()));
}

void QorvCSMainWindow::showUPSServers()
{
    auto* dialog = new QorvCSUPSServersDialog(m_upsServers, QorvCSNUTPowerSourceProvider::bundleServers(), this);
    dialog->setObjectName(QStringLiteral("upsServersDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { setUPSServers(dialog->chosenServers()); });
    dialog->open();
}

void QorvCSMainWindow::setUPSServers(std::optional<std::vector<std::string>> servers)
{
    m_upsServers = std::move(servers);
    saveSettings();
    QorvCSNUTPowerSourceProvider::chooseServers(m_upsServers);
}

void QorvCSMainWindow::closeEvent(QCloseEvent* event)
{
    saveSettings();
    QMainWindow::closeEvent(event);
}

QLineEdit* QorvCSMainWindow::searchField() const
{
    return m_search->lineEdit();
}

QorvCSMainWindow::~QorvCSMainWindow()
{
    // A change still waiting for the timer is not lost with the window.
    if (hasUnsavedSettings())
        saveSettings();
    // The controller goes first: it stops observing and must not reach the views after they are gone.
    m_controller.reset();
    m_printOperation.reset();
    delete m_printView;
}

void QorvCSMainWindow::buildMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    QAction* pdf = m_fileMenu->addAction(tr("Save as &PDF…"), this, [this] { m_controller->exportToPDF(); });
    pdf->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence::SaveAs });
    m_fileMenu->addAction(tr("Save &Debug Information…"), this, [this] { m_controller->exportForDebug(); });
    QAction* email = m_fileMenu->addAction(tr("&E-mail…"), this, [this] { m_controller->exportToEmail(); });
    email->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    // Applies to the report on screen and to everything saved, printed or sent from it.
    QAction* sanitize = m_fileMenu->addAction(tr("&Hide Serial Numbers, Addresses and Names"));
    sanitize->setObjectName(QStringLiteral("sanitizeAction"));
    sanitize->setCheckable(true);
    sanitize->setChecked(m_controller->sanitizesReport());
    connect(sanitize, &QAction::toggled, this, [this](bool on) { m_controller->setSanitizesReport(on); });
    m_fileMenu->addSeparator();
    QAction* pageSetup = m_fileMenu->addAction(tr("Page Set&up…"), this, [this] {
        m_controller->runPageLayout();
        if (hasUnsavedSettings()) // the dialog's OK is kept at once
            saveSettings();
    });
    pageSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    QAction* print = m_fileMenu->addAction(tr("&Print…"), this, [this] { m_controller->print(); });
    print->setShortcut(QKeySequence::Print);
    m_fileMenu->addSeparator();
    QAction* quit = m_fileMenu->addAction(tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QAction* find = edit->addAction(tr("&Find…"), this, [this] {
        searchField()->setFocus(Qt::ShortcutFocusReason);
        searchField()->selectAll();
    });
    find->setShortcut(QKeySequence::Find);
    QAction* findNext = edit->addAction(tr("Find &Next"), m_search, &QorvCSSearchField::findNext);
    findNext->setShortcuts(QKeySequence::FindNext);
    QAction* findPrevious = edit->addAction(tr("Find Pre&vious"), m_search, &QorvCSSearchField::findPrevious);
    findPrevious->setShortcuts(QKeySequence::FindPrevious);
    edit->addSeparator();
    QAction* upsServers = edit->addAction(tr("UPS &Servers…"), this, &QorvCSMainWindow::showUPSServers);
    upsServers->setObjectName(QStringLiteral("upsServersAction"));
    upsServers->setMenuRole(QAction::PreferencesRole);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    QAction* reload = view->addAction(tr("&Reload"), this, [this] { m_controller->refresh(); });
    reload->setShortcuts({ QKeySequence::Refresh, QKeySequence(Qt::CTRL | Qt::Key_R) });
    view->addSeparator();
    QAction* zoomInAction = view->addAction(tr("Zoom &In"), this, &QorvCSMainWindow::zoomIn);
    zoomInAction->setObjectName(QStringLiteral("zoomInAction"));
    zoomInAction->setShortcuts({ QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal) });
    QAction* zoomOutAction = view->addAction(tr("Zoom &Out"), this, &QorvCSMainWindow::zoomOut);
    zoomOutAction->setObjectName(QStringLiteral("zoomOutAction"));
    zoomOutAction->setShortcuts(QKeySequence::ZoomOut);
    QAction* actualSize = view->addAction(tr("&Actual Size"), this, [this] { setZoomFactor(1.0); });
    actualSize->setObjectName(QStringLiteral("actualSizeAction"));
    actualSize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    view->addSeparator();
    m_showSidebar = view->addAction(tr("Show &Sidebar"));
    m_showSidebar->setObjectName(QStringLiteral("showSidebarAction"));
    m_showSidebar->setCheckable(true);
    m_showSidebar->setChecked(true);
    m_showSidebar->setShortcut(QKeySequence(Qt::Key_F9));
    connect(m_showSidebar, &QAction::toggled, m_outline, &QWidget::setVisible);

    QorvCSBuildHelpMenu(menuBar(), this);
}

namespace {

// The steps browsers offer, so the keys feel the same here.
constexpr std::array<double, 13> zoomSteps { 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0 };

} // namespace

void QorvCSMainWindow::setZoomFactor(double zoom)
{
    m_zoom = std::clamp(zoom, zoomSteps.front(), zoomSteps.back());
    m_webView->setZoomFactor(m_zoom);
}

void QorvCSMainWindow::zoomIn()
{
    const auto next = std::upper_bound(zoomSteps.begin(), zoomSteps.end(), m_zoom + 0.001);
    setZoomFactor(next == zoomSteps.end() ? zoomSteps.back() : *next);
}

void QorvCSMainWindow::zoomOut()
{
    const auto next = std::lower_bound(zoomSteps.begin(), zoomSteps.end(), m_zoom - 0.001);
    setZoomFactor(next == zoomSteps.begin() ? zoomSteps.front() : *(next - 1));
}

void QorvCSMainWindow::buildToolbarItems()
{
    QAction* email
        = m_toolbarAdapter->addItem(localized("QorvCSApplicationController.Toolbar.Email", "E-mail"), "exportToEmail:");
    email->setToolTip(tr("Attach the report as a PDF to a new message"));
    connect(email, &QAction::triggered, this, [this] { m_controller->exportToEmail(); });
    QAction* pdf
        = m_toolbarAdapter->addItem(localized("QorvCSApplicationController.Toolbar.PDF", "PDF"), "exportToPDF:");
    pdf->setToolTip(tr("Save the report as a PDF file"));
    connect(pdf, &QAction::triggered, this, [this] { m_controller->exportToPDF(); });
    QAction* print
        = m_toolbarAdapter->addItem(localized("QorvCSApplicationController.Toolbar.Print", "Print"), "print:");
    print->setToolTip(tr("Print the report"));
    connect(print, &QAction::triggered, this, [this] { m_controller->print(); });
}

void QorvCSMainWindow::applyPalette()
{
    QorvCSApplyReportColors(QApplication::palette(this));
}

void QorvCSMainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_controller) {
        applyPalette();
        m_controller->refresh();
    }
}
