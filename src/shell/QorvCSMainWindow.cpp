#include "QorvCSMainWindow.h"

#include "QorvCSDesktopWorkspace.h"
#include "QorvCSQtToolbar.h"
#include "QorvCSSidebarView.h"
#include "QorvCSWebEngineView.h"

#include "QorvCSApplicationController.h"
#include "QorvCSHTMLReport.h"

#include "foundation/Bundle.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QSplitter>
#include <QToolBar>

namespace {

QString localized(const char* key, const char* fallback)
{
    return QString::fromStdString(qorv::Bundle::main().localizedString(key, fallback));
}

qorv::Color toColor(const QColor& c) { return { c.redF(), c.greenF(), c.blueF(), c.isValid() }; }

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

    m_toolBar = addToolBar(QStringLiteral("toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbarAdapter = std::make_unique<QorvCSQtToolbar>(m_toolBar);

    auto* spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    m_searchField = new QLineEdit(m_toolBar);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setPlaceholderText(localized("QorvCSApplicationController.searchPlaceholder", "Search"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setMaximumWidth(260);
    m_toolBar->addWidget(m_searchField);

    auto* splitter = new QSplitter(this);
    m_outline = new QorvCSSidebarView(splitter);
    m_webView = new QorvCSWebEngineView(QStringLiteral("screen"), splitter);
    m_webView->setObjectName(QStringLiteral("contentWebView"));
    splitter->addWidget(m_outline);
    splitter->addWidget(m_webView);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ 270, 830 });
    setCentralWidget(splitter);

    // Holds the export rendering for printing and PDF output; never shown.
    m_printView = new QorvCSWebEngineView(QStringLiteral("export"));
    m_printView->setObjectName(QStringLiteral("contentPrintView"));
    m_printView->setAttribute(Qt::WA_DontShowOnScreen);
    m_printView->resize(800, 1000);

    buildMenus();

    connect(m_searchField, &QLineEdit::textChanged, this,
        [this](const QString& text) { m_controller->searchReport(text.toStdString()); });
    connect(m_searchField, &QLineEdit::returnPressed, this,
        [this] { m_controller->searchReport(m_searchField->text().toStdString()); });

    m_controller->setToolbar(m_toolbarAdapter.get());
    m_controller->setContentOutline(m_outline);
    m_controller->setContentWebView(m_webView);
    m_controller->setContentPrintView(m_printView);
    m_controller->setWorkspace(m_workspace.get());
    m_controller->awakeFromNib();
}

QorvCSMainWindow::~QorvCSMainWindow()
{
    // The controller goes first: it stops observing and must not reach the views after they are gone.
    m_controller.reset();
    delete m_printView;
}

void QorvCSMainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* quit = file->addAction(tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* find = edit->addAction(tr("&Find…"), this, [this] {
        m_searchField->setFocus(Qt::ShortcutFocusReason);
        m_searchField->selectAll();
    });
    find->setShortcut(QKeySequence::Find);
    QAction* findNext = edit->addAction(tr("Find &Next"), this,
        [this] { m_controller->searchReport(m_searchField->text().toStdString()); });
    findNext->setShortcut(QKeySequence::FindNext);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* reload = view->addAction(tr("&Reload Report"), this, [this] { m_controller->refresh(); });
    reload->setShortcuts({ QKeySequence::Refresh, QKeySequence(Qt::CTRL | Qt::Key_R) });
}

void QorvCSMainWindow::applyPalette()
{
    const QPalette palette = QApplication::palette(this);
    QorvCSHTMLReport::setAlternatingRowBackgroundColors(
        { toColor(palette.color(QPalette::Base)), toColor(palette.color(QPalette::AlternateBase)) });
}

void QorvCSMainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_controller) {
        applyPalette();
        m_controller->refresh();
    }
}
