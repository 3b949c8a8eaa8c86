#pragma once

#include "QorvCSAlertPresenter.h"
#include "QorvCSAttachmentReview.h"
#include "QorvCSIncludeMemory.h"
#include "QorvCSMailComposer.h"
#include "QorvCSOutlineView.h"
#include "QorvCSPrintOperation.h"
#include "QorvCSSavePanel.h"
#include "QorvCSToolbar.h"
#include "QorvCSWebView.h"
#include "QorvCSWorkspace.h"

#include "QorvCSContentController.h"

#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QorvCSHTMLReport;
class QorvCSPowerSourceController;
class QorvCSSanitizer;

// The main window's controller: owns the content tree, renders the report into the on-screen and the hidden
// export web view, keeps the report scrolled where the user left it, applies the link policy, searches, and lets
// printing and feedback pause re-rendering. The views are the shell's; the controller does not own them.
class QorvCSApplicationController : public QorvCSWebViewDelegate, public QorvCSOutlineDelegate {
public:
    QorvCSApplicationController() = default;
    ~QorvCSApplicationController() override;
    QorvCSApplicationController(const QorvCSApplicationController&) = delete;
    QorvCSApplicationController& operator=(const QorvCSApplicationController&) = delete;

    virtual std::string_view className() const { return "QorvCSApplicationController"; }

    // Checks the outlets, wires delegates and the data source, renders once.
    void awakeFromNib();

    void pause() { }
    // The search field's text; a sender without a text (nullopt) is ignored. Backwards finds the previous match.
    void searchReport(const std::optional<std::string>& stringValue, bool forward = true);
    void refresh();
    std::string reportHTMLForExport(bool forExport);
    // Both renderings from one build of the report's items, as reportHTMLForExport(false) and (true) give them.
    struct ReportDocuments {
        std::string screen;
        std::string exported;
    };
    ReportDocuments reportHTMLForScreenAndExport();
    // The included sections as JSON, stamped with the computer's name, this version and the time.
    std::string reportJSON(const std::string& applicationVersion);
    // The content tree's debug dictionary, as "Save Debug Information" writes it.
    qorv::Value debugTree();
    // Whether every rendering, print and saved file masks what identifies the machine, its user or its power
    // sources (serials, IDs, names, addresses): off by default. Changing it renders the report again.
    bool sanitizesReport() const { return m_sanitizesReport; }
    void setSanitizesReport(bool sanitizes);
    // Whether what leaves the machine (the e-mail attachment) hides them; on unless the user turns it off.
    bool sanitizesSharedReports() const { return m_sanitizesSharedReports; }
    void setSanitizesSharedReports(bool sanitizes) { m_sanitizesSharedReports = sanitizes; }
    // What leaves the machine with a feedback report: the on-screen rendering and the debug tree, both of the
    // sections the sidebar includes only, and sanitised unless the user chose otherwise.
    struct SharedReport {
        std::string html;
        qorv::Value debugTree;
    };
    SharedReport reportToShare(bool sanitize = true);
    // A sanitiser for one document: the computer's and the user's names and the serials and IDs of the content
    // tree as it is now.
    QorvCSSanitizer newSanitizer();
    bool isPaused() const { return m_pauseStack != 0; }
    void pauseUpdates();
    void resumeUpdates();
    void updateWebView();

    // QorvCSWebViewDelegate
    void webViewDidFinishLoad(QorvCSWebView& webView) override;
    QorvCSNavigationPolicy decidePolicyForNavigation(
        QorvCSWebView& webView, const std::string& url, const std::string& path) override;

    // Reloads the sidebar at once and renders the report shortly after: changes that arrive together (a flapping
    // cable, several readings) are rendered once.
    void contentControllerDidNotify(const qorv::Notification& notification);
    // How long a change waits for others before the report is rendered, and the longest a steady stream of changes
    // can hold the rendering back.
    static constexpr std::chrono::milliseconds coalescingDelay { 150 };
    static constexpr std::chrono::milliseconds coalescingLimit { 1000 };
    // How long the history charts that moved with a reading wait for it: the page takes a patched reading in a few
    // milliseconds, and drawing the charts meanwhile would hold up its answer.
    static constexpr std::chrono::milliseconds chartsDelay { 20 };
    // A change, or the history charts that moved with it, not yet rendered.
    bool hasPendingUpdate() const { return m_updateTimer != 0 || m_chartsTimer != 0; }
    // Renders the report as a change does, without waiting for others: the shown page is patched where it can be,
    // its tables first. History charts that moved are drawn and patched chartsDelay later.
    void renderChanges() { showChanges(true); }

    // Export and print. The print operation finishes later: completion (optional) then says whether it worked and,
    // when it did not, why.
    using PrintCompletion = std::function<void(bool ok, const std::string& reason)>;
    std::string computerName() const;
    std::string exportFilename() const;
    void printToPDF(const std::string& path, PrintCompletion completion = {});
    void printWithInfo(const qorv::Value::Dictionary& info, bool showPrintPanel, PrintCompletion completion = {});
    // Makes the PDF to attach (hiding serials, addresses and names unless the user turned that off), lets the
    // attachment review show it when there is one, and hands it to the mail composer.
    void exportToEmail();
    void exportToPDF();
    void exportForDebug();
    void runPageLayout();
    void print() { printDocument(); }
    void printDocument();
    qorv::Value::Dictionary& sharedPrintSettings() { return m_sharedPrintSettings; }
    void setSharedPrintSettings(qorv::Value::Dictionary settings) { m_sharedPrintSettings = std::move(settings); }
    // The folder the save panel opens in: the one last saved into (empty: the panel's default).
    const std::string& saveFolder() const { return m_saveFolder; }
    void setSaveFolder(std::string folder) { m_saveFolder = std::move(folder); }
    // The sections the user left out, by unique identifier; set before awakeFromNib to restore them.
    std::set<std::string> untickedSections();
    void setUntickedSections(std::set<std::string> unticked)
    {
        m_includeMemory = QorvCSIncludeMemory(std::move(unticked));
    }
    // Called when a choice the window remembers changed here: a section ticked or unticked, the page setup, the
    // save folder.
    void setRememberedChoicesObserver(std::function<void()> observer)
    {
        m_rememberedChoicesObserver = std::move(observer);
    }
    // Where the computer's name comes from (the system by default).
    void setComputerNameSource(std::function<std::string()> source) { m_computerNameSource = std::move(source); }
    // Where the user's names (login, full name) that sanitising masks come from (the running account by default).
    void setUserNamesSource(std::function<std::vector<std::string>()> source) { m_userNamesSource = std::move(source); }
    // The folder that holds the e-mail attachment (a private per-user folder by default).
    void setMailAttachmentDirectory(std::string directory) { m_mailAttachmentDirectory = std::move(directory); }

    // Sidebar presentation (QorvCSOutlineDelegate)
    std::string dataCellForTableColumn(const QorvCSOutlineColumn* column, QorvCSContent* item) override;
    void willDisplayCell(QorvCSOutlineCell& cell, const QorvCSOutlineColumn* column, QorvCSContent* item) override;
    bool isGroupItem(QorvCSContent* item) override;
    bool shouldTrackCell(const QorvCSOutlineColumn* column, QorvCSContent* item) override;
    // Scrolls the report to the item's section, when the report shows it.
    void outlineDidActivateItem(QorvCSContent* item) override;

    // Toolbar
    bool validateToolbarItem(QorvCSToolbarItem&) const { return true; }
    void toolbarWillAddItem(QorvCSToolbarItem& item) { applyImageToCustomToolbarItem(item); }
    void applyImageToCustomToolbarItems(const std::vector<QorvCSToolbarItem*>& items);
    void applyImageToCustomToolbarItem(QorvCSToolbarItem& item);

    const std::shared_ptr<QorvCSContentController>& contentController();
    void setContentController(std::shared_ptr<QorvCSContentController> contentController);

    QorvCSOutlineView* contentOutline() const { return m_contentOutline; }
    void setContentOutline(QorvCSOutlineView* outline) { m_contentOutline = outline; }
    QorvCSWebView* contentWebView() const { return m_contentWebView; }
    void setContentWebView(QorvCSWebView* webView) { m_contentWebView = webView; }
    QorvCSWebView* contentPrintView() const { return m_contentPrintView; }
    void setContentPrintView(QorvCSWebView* webView)
    {
        m_contentPrintView = webView;
        m_printViewDocument.clear();
    }
    QorvCSToolbar* toolbar() const { return m_toolbar; }
    void setToolbar(QorvCSToolbar* toolbar) { m_toolbar = toolbar; }
    QorvCSWorkspace* workspace() const { return m_workspace; }
    void setWorkspace(QorvCSWorkspace* workspace) { m_workspace = workspace; }

    // A power source controller of the window's own, made on first read; nothing in the window reads it.
    const std::shared_ptr<QorvCSPowerSourceController>& powerSourceController();
    void setPowerSourceController(std::shared_ptr<QorvCSPowerSourceController> controller);

    QorvCSPrintOperation* printOperation() const { return m_printOperation; }
    void setPrintOperation(QorvCSPrintOperation* operation) { m_printOperation = operation; }
    QorvCSSavePanel* savePanel() const { return m_savePanel; }
    void setSavePanel(QorvCSSavePanel* panel) { m_savePanel = panel; }
    QorvCSMailComposer* mailComposer() const { return m_mailComposer; }
    void setMailComposer(QorvCSMailComposer* composer) { m_mailComposer = composer; }
    QorvCSAlertPresenter* alertPresenter() const { return m_alertPresenter; }
    QorvCSAttachmentReview* attachmentReview() const { return m_attachmentReview; }
    void setAttachmentReview(QorvCSAttachmentReview* review) { m_attachmentReview = review; }
    void setAlertPresenter(QorvCSAlertPresenter* presenter) { m_alertPresenter = presenter; }

    bool scrollAfterRefresh() const { return m_scrollAfterRefresh; }
    void setScrollAfterRefresh(bool scroll) { m_scrollAfterRefresh = scroll; }
    QorvCSWebView::Point scrollAfterRefreshPoint() const { return m_scrollAfterRefreshPoint; }
    void setScrollAfterRefreshPoint(QorvCSWebView::Point point) { m_scrollAfterRefreshPoint = point; }
    unsigned long pauseStack() const { return m_pauseStack; }
    void setPauseStack(unsigned long depth) { m_pauseStack = depth; }

    // How many times both views were rendered (for the shell's status and for tests).
    unsigned long renderCount() const { return m_renderCount; }
    // Why the last rendering failed (the views then show this reason instead of the report); empty when it worked.
    const std::string& renderFailure() const { return m_renderFailure; }

private:
    QorvCSOutlineView* m_contentOutline = nullptr;
    QorvCSWebView* m_contentWebView = nullptr;
    QorvCSWebView* m_contentPrintView = nullptr;
    QorvCSToolbar* m_toolbar = nullptr;
    QorvCSWorkspace* m_workspace = nullptr;
    QorvCSPrintOperation* m_printOperation = nullptr;
    QorvCSSavePanel* m_savePanel = nullptr;
    QorvCSMailComposer* m_mailComposer = nullptr;
    QorvCSAlertPresenter* m_alertPresenter = nullptr;
    QorvCSAttachmentReview* m_attachmentReview = nullptr;
    qorv::Value::Dictionary m_sharedPrintSettings = QorvCSDefaultPrintSettings(595.2756, 841.8898); // A4
    std::function<std::string()> m_computerNameSource;
    std::function<std::vector<std::string>()> m_userNamesSource;
    std::string m_mailAttachmentDirectory;
    std::string m_saveFolder;
    QorvCSIncludeMemory m_includeMemory;
    void rememberSaveFolder(const std::string& path);
    void rememberedChoicesChanged()
    {
        if (m_rememberedChoicesObserver)
            m_rememberedChoicesObserver();
    }
    std::function<void()> m_rememberedChoicesObserver;
    void alert(const std::string& message, const std::string& detail);
    void makeEmailAttachment(bool sanitize);
    void composeEmail(const std::string& path);
    QorvCSSavePanel::Options savePanelOptions(const std::string& fileType) const;
    std::shared_ptr<QorvCSContentController> m_contentController;
    std::shared_ptr<QorvCSPowerSourceController> m_powerSourceController;
    bool m_scrollAfterRefresh = false;
    QorvCSWebView::Point m_scrollAfterRefreshPoint;
    unsigned long m_pauseStack = 0;
    bool m_sanitizesReport = false;
    bool m_sanitizesSharedReports = true;
    std::string reportHTML(bool forExport, bool sanitize, bool* chartsBehind = nullptr);
    // A report with the header's template values (the computer's name masked when sanitising).
    std::shared_ptr<QorvCSHTMLReport> newHTMLReport(bool forExport, QorvCSSanitizer* sanitizer);
    // Gives each section's title a counted id and remembers it for the sidebar (the screen rendering's only).
    void anchorSections(const QorvCSReportItemList& items);
    unsigned long m_renderCount = 0;
    void scheduleUpdate();
    void cancelPendingUpdate();
    // tablesFirst: the charts are taken as last drawn, and drawn anew shortly after when they are behind.
    void showChanges(bool tablesFirst);
    // The failure notice when it fails. chartsBehind given: charts as last drawn, and whether one is behind its data.
    std::string renderScreen(bool* chartsBehind = nullptr);
    // The export rendering of the report the screen shows, made when first asked for after each change.
    const std::string& exportDocument();
    void noteRenderFailure(const std::string& failure);
    // What patches the shown page into screen; nullopt when it must be loaded whole.
    std::optional<QorvCSReportTableChanges> patchTo(const std::string& screen) const;
    void show(std::string screen, std::optional<QorvCSReportTableChanges> patch);
    qorv::RunLoop::Id m_updateTimer = 0;
    qorv::RunLoop::Id m_chartsTimer = 0; // draws the charts the page was patched without
    std::chrono::steady_clock::time_point m_firstPendingChange;
    std::string m_shownScreen; // the document last handed to the screen view, to skip loading the same again
    std::optional<std::string> m_shownExport; // the export rendering that goes with it, once made
    std::string m_printViewDocument; // what the export view was last given
    unsigned m_printJobs = 0; // handed to the print operation and not yet finished
    std::string m_renderFailure; // why the last rendering failed; empty after a good one
    // The screen report's heading id of each section, by the node's unique identifier. Ids are counted, so the
    // document carries no identifier of the machine's devices.
    std::map<std::string, std::string, std::less<>> m_sectionAnchors;
    std::string m_scrollAfterRefreshAnchor; // a section asked for while a rendering loads; shown once it has
};
