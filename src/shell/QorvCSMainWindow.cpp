#include "QorvCSMainWindow.h"

#include "QorvCSApplicationMenu.h"
#include "QorvCSAttachmentReviewDialog.h"
#include "QorvCSDesktopWorkspace.h"
#include "QorvCSFileSavePanel.h"
#include "QorvCSMessageAlert.h"
#include "QorvCSQtToolbar.h"
#include "QorvCSSidebarView.h"
#include "QorvCSWebEngineView.h"
#include "QorvCSWebPrintOperation.h"
#include "QorvCSXdgEmailComposer.h"

#include "QorvCSApplicationController.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSReportColors.h"

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

    m_printOperation = std::make_unique<QorvCSWebPrintOperation>(m_printView, this);
    m_printOperation->setReaderView(m_webView);
    m_savePanel = std::make_unique<QorvCSFileSavePanel>(this);
    m_mailComposer = std::make_unique<QorvCSXdgEmailComposer>();
    m_alert = std::make_unique<QorvCSMessageAlert>(this);
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
    m_controller->setPrintOperation(m_printOperation.get());
    m_controller->setSavePanel(m_savePanel.get());
    m_controller->setMailComposer(m_mailComposer.get());
    m_controller->setAlertPresenter(m_alert.get());
    m_controller->setAttachmentReview(new QorvCSAttachmentReviewDialog(this));
    m_controller->awakeFromNib();
}

QorvCSMainWindow::~QorvCSMainWindow()
{
    // The controller goes first: it stops observing and must not reach the views after they are gone.
    m_controller.reset();
    m_printOperation.reset();
    delete m_printView;
}

void QorvCSMainWindow::buildMenus()
{
    m_applicationMenu = QorvCSBuildApplicationMenu(menuBar(), this);
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    QAction* email = m_fileMenu->addAction(tr("Send by &E-mail…"), this, [this] { m_controller->exportToEmail(); });
    email->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    QAction* pdf = m_fileMenu->addAction(tr("Save as &PDF…"), this, [this] { m_controller->exportToPDF(); });
    pdf->setShortcuts({ QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::Key_S) });
    m_fileMenu->addAction(tr("Save &Debug Information…"), this, [this] { m_controller->exportForDebug(); });
    // Applies to the report on screen and to everything saved, printed or sent from it.
    QAction* sanitize = m_fileMenu->addAction(tr("&Hide Serial Numbers, Addresses and Names"));
    sanitize->setObjectName(QStringLiteral("sanitizeAction"));
    sanitize->setCheckable(true);
    sanitize->setChecked(m_controller->sanitizesReport());
    connect(sanitize, &QAction::toggled, this, [this](bool on) { m_controller->setSanitizesReport(on); });
    m_fileMenu->addSeparator();
    QAction* pageSetup = m_fileMenu->addAction(tr("Page Set&up…"), this, [this] { m_controller->runPageLayout(); });
    pageSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    QAction* print = m_fileMenu->addAction(tr("&Print…"), this, [this] { m_controller->print(); });
    print->setShortcut(QKeySequence::Print);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* find = edit->addAction(tr("&Find…"), this, [this] {
        m_searchField->setFocus(Qt::ShortcutFocusReason);
        m_searchField->selectAll();
    });
    find->setShortcut(QKeySequence::Find);
    QAction* findNext = edit->addAction(
        tr("Find &Next"), this, [this] { m_controller->searchReport(m_searchField->text().toStdString()); });
    findNext->setShortcut(QKeySequence::FindNext);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* reload = view->addAction(tr("&Reload Report"), this, [this] { m_controller->refresh(); });
    reload->setShortcuts({ QKeySequence::Refresh, QKeySequence(Qt::CTRL | Qt::Key_R) });
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
    print->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
        QIcon(QString::fromStdString(qorv::Bundle::main().pathForResource("print", "svg").value_or(std::string())))));
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
