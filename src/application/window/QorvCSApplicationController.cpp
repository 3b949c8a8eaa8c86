#include "QorvCSApplicationController.h"

#include "QorvCSHTMLReport.h"
#include "QorvCSHistory.h"
#include "QorvCSJSONReport.h"
#include "QorvCSPowerSourceController.h"
#include "QorvCSSanitizer.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

namespace {

// Shown in place of the report when it cannot be rendered (broken templates or rules): the window stays useful and
// the user can reload once the resources are mended. Built without the templates, which may be what is broken.
std::string renderFailureHTML(const std::string& reason)
{
    const auto& bundle = qorv::Bundle::main();
    const std::string title
        = bundle.localizedString("QorvCSApplicationController.RenderFailed.Title", "The report could not be shown");
    const std::string advice = bundle.localizedString("QorvCSApplicationController.RenderFailed.Advice",
        "Check the files passed with --resources, then reload the report (View ▸ Reload Report).");
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + QorvCSHTMLReport::escapeString(title)
        + "</title></head><body style=\"font-family: sans-serif; margin: 2em;\"><h1 style=\"font-size: 1.3em;\">"
        + QorvCSHTMLReport::escapeString(title) + "</h1><p id=\"reason\">" + QorvCSHTMLReport::escapeString(reason)
        + "</p><p>" + QorvCSHTMLReport::escapeString(advice) + "</p></body></html>";
}

} // namespace

#include <chrono>
#include <ctime>
#include <optional>

QorvCSApplicationController::~QorvCSApplicationController()
{
    cancelPendingUpdate();
    setToolbar(nullptr);
    setPowerSourceController(nullptr);
    setContentController(nullptr);
}

void QorvCSApplicationController::awakeFromNib()
{
    QorvAssert(m_toolbar != nullptr, "%@'s toolbar is not connected.", className());
    QorvAssert(m_contentOutline != nullptr, "%@'s contentOutline is not connected.", className());
    QorvAssert(m_contentWebView != nullptr, "%@'s contentWebView is not connected.", className());

    applyImageToCustomToolbarItems(m_toolbar->items());
    m_includeMemory.apply(*contentController()->root());
    m_contentOutline->setDelegate(this);
    m_contentOutline->setDataSource(contentController().get());
    // Open from the first paint: the power rows can be ticked before the inventory arrives, or if it never does.
    m_contentOutline->expandItem(nullptr, true);
    m_contentOutline->sizeLastColumnToFit();
    m_contentWebView->setShouldPrintBackgrounds(true);
    m_contentWebView->setDelegate(this);
    updateWebView();
}

void QorvCSApplicationController::searchReport(const std::optional<std::string>& stringValue, bool forward)
{
    if (!stringValue || !m_contentWebView)
        return;
    m_contentWebView->searchFor(*stringValue, forward, false, true);
}

void QorvCSApplicationController::outlineDidActivateItem(QorvCSContent* item)
{
    if (!item || !m_contentWebView)
        return;
    const auto anchor = m_sectionAnchors.find(item->uniqueID());
    if (anchor == m_sectionAnchors.end())
        return;
    // A rendering on its way would put the old scroll position back over the section: wait for it.
    if (m_scrollAfterRefresh)
        m_scrollAfterRefreshAnchor = anchor->second;
    else
        m_contentWebView->scrollToAnchor(anchor->second);
}

void QorvCSApplicationController::refresh()
{
    updateWebView();
}

namespace {

// The debug tree without the nodes the sidebar leaves out of the report.
qorv::Value includedOnly(const qorv::Value& node)
{
    qorv::Value copy = node;
    auto* values = copy.asDictionary();
    if (!values)
        return copy;
    if (auto children = values->find("children"); children != values->end() && children->second.asArray()) {
        qorv::Value::Array kept;
        for (const auto& child : *children->second.asArray()) {
            const qorv::Value* include = child.find("include");
            if (!include || include->description() != "No")
                kept.push_back(includedOnly(child));
        }
        children->second = qorv::Value(std::move(kept));
    }
    return copy;
}

} // namespace

std::string QorvCSApplicationController::reportHTMLForExport(bool forExport)
{
    return reportHTML(forExport, m_sanitizesReport);
}

QorvCSApplicationController::ReportDocuments QorvCSApplicationController::reportHTMLForScreenAndExport()
{
    std::optional<QorvCSSanitizer> sanitizer;
    if (m_sanitizesReport)
        sanitizer.emplace(newSanitizer());
    auto exportReport = newHTMLReport(true, sanitizer ? &*sanitizer : nullptr);
    auto screenReport = newHTMLReport(false, sanitizer ? &*sanitizer : nullptr);
    screenReport->shareRenderedRowsWith(*exportReport);
    // One sanitiser masks the same texts in the same order as one for each document would.
    auto items = contentController()->itemsForReport(*screenReport);
    if (sanitizer)
        items = sanitizer->items(items);
    // The export document carries no section anchors: it is made before they are set.
    exportReport->addItemsFromArray(items);
    std::string exported = exportReport->asHTML();
    anchorSections(items);
    screenReport->addItemsFromArray(items);
    return { screenReport->asHTML(), std::move(exported) };
}

std::shared_ptr<QorvCSHTMLReport> QorvCSApplicationController::newHTMLReport(bool forExport, QorvCSSanitizer* sanitizer)
{
    auto report = QorvCSHTMLReport::reportForExport(forExport);
    // What the printed report's header says about where and when it was made.
    const std::string name = computerName();
    report->setTemplateValue("computerName", sanitizer ? sanitizer->text(name) : name);
    const qorv::Value* version = qorv::Bundle::main().objectForInfoDictionaryKey("CFBundleVersion");
    report->setTemplateValue("applicationVersion", version && version->asString() ? *version->asString() : "");
    char made[64] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (localtime_r(&now, &local))
        std::strftime(made, sizeof made, "%Y-%m-%d %H:%M %Z", &local);
    report->setTemplateValue("reportDate", made);
    return report;
}

void QorvCSApplicationController::anchorSections(const QorvCSReportItemList& items)
{
    m_sectionAnchors.clear();
    size_t count = 0;
    for (const auto& item : items)
        if (auto* title = dynamic_cast<QorvCSReportTitle*>(item.get()); title && !title->sourceID().empty()) {
            title->setAnchor("section-" + std::to_string(++count));
            m_sectionAnchors.try_emplace(title->sourceID(), title->anchor());
        }
}

std::string QorvCSApplicationController::reportHTML(bool forExport, bool sanitize, bool* chartsBehind)
{
    std::optional<QorvCSSanitizer> sanitizer;
    if (sanitize)
        sanitizer.emplace(newSanitizer());
    auto report = newHTMLReport(forExport, sanitizer ? &*sanitizer : nullptr);
    report->setChartsAsLastDrawn(chartsBehind != nullptr);
    const auto items = contentController()->itemsForReport(*report);
    if (!forExport)
        anchorSections(items);
    report->addItemsFromArray(sanitizer ? sanitizer->items(items) : items);
    std::string html = report->asHTML();
    if (chartsBehind)
        *chartsBehind = report->chartsBehind();
    return html;
}

QorvCSApplicationController::SharedReport QorvCSApplicationController::reportToShare(bool sanitize)
{
    const qorv::Value tree = includedOnly(contentController()->root()->debug());
    return { reportHTML(false, sanitize), sanitize ? newSanitizer().value(tree) : tree };
}

QorvCSSanitizer QorvCSApplicationController::newSanitizer()
{
    QorvCSSanitizer sanitizer;
    sanitizer.addComputerNames(computerName());
    sanitizer.addUserNames(m_userNamesSource ? m_userNamesSource() : QorvCSSanitizer::accountNames());
    sanitizer.learn(contentController()->root()->debug());
    return sanitizer;
}

qorv::Value QorvCSApplicationController::debugTree()
{
    const qorv::Value tree = contentController()->root()->debug();
    return m_sanitizesReport ? newSanitizer().value(tree) : tree;
}

void QorvCSApplicationController::setSanitizesReport(bool sanitizes)
{
    if (sanitizes == m_sanitizesReport)
        return;
    m_sanitizesReport = sanitizes;
    updateWebView();
}

std::string QorvCSApplicationController::reportJSON(const std::string& applicationVersion)
{
    std::optional<QorvCSSanitizer> sanitizer;
    if (m_sanitizesReport)
        sanitizer = newSanitizer();
    // Property-list dates count from 2001-01-01, 978307200 seconds after the Unix epoch.
    const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    const std::string computer = computerName();
    QorvCSJSONReport report({ sanitizer ? sanitizer->text(computer) : computer, applicationVersion,
        qorv::Value::Date { now - 978307200.0 }, sanitizer.has_value() });
    const auto items = contentController()->itemsForReport(report);
    report.addItemsFromArray(sanitizer ? sanitizer->items(items) : items);
    return report.asJSON();
}

std::set<std::string> QorvCSApplicationController::untickedSections()
{
    // A tick not yet announced by the tree counts too.
    m_includeMemory.apply(*contentController()->root());
    return m_includeMemory.unticked();
}

void QorvCSApplicationController::pauseUpdates()
{
    ++m_pauseStack;
}

void QorvCSApplicationController::resumeUpdates()
{
    QorvAssert(isPaused(), "%@ attempting to resume already live updates.", className());
    --m_pauseStack;
    if (m_pauseStack == 0)
        refresh();
}

void QorvCSApplicationController::scheduleUpdate()
{
    const auto now = std::chrono::steady_clock::now();
    if (!m_updateTimer)
        m_firstPendingChange = now;
    else
        qorv::RunLoop::main().removeTimer(m_updateTimer);
    const auto due = std::min(now + coalescingDelay, m_firstPendingChange + coalescingLimit);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
        std::max(due - now, std::chrono::steady_clock::duration::zero()));
    m_updateTimer = qorv::RunLoop::main().addTimer(wait, false, [this] {
        m_updateTimer = 0;
        renderChanges();
    });
}

void QorvCSApplicationController::cancelPendingUpdate()
{
    // A rendering shows every change so far, and draws the charts it needs.
    for (auto* timer : { &m_updateTimer, &m_chartsTimer }) {
        if (*timer)
            qorv::RunLoop::main().removeTimer(*timer);
        *timer = 0;
    }
}

void QorvCSApplicationController::showChanges(bool tablesFirst)
{
    if (isPaused())
        return; // resuming renders the whole report
    // A minute's turn redraws every history chart: the new reading is patched in with the charts as last drawn, and
    // the charts follow once the page has taken it.
    bool chartsBehind = false;
    const bool patchable = m_contentWebView && !m_shownScreen.empty();
    std::string screen = renderScreen(tablesFirst && patchable ? &chartsBehind : nullptr);
    auto patch = patchTo(screen);
    if (chartsBehind && !patch) {
        // Loaded whole: with the charts as they are now.
        screen = renderScreen();
        chartsBehind = false;
    }
    // A change that alters nothing shown (a reading the report rounds away) costs no load in the view.
    if (screen != m_shownScreen)
        show(std::move(screen), std::move(patch));
    if (chartsBehind)
        m_chartsTimer = qorv::RunLoop::main().addTimer(chartsDelay, false, [this] {
            m_chartsTimer = 0;
            showChanges(false);
        });
}

void QorvCSApplicationController::updateWebView()
{
    if (isPaused())
        return;
    show(renderScreen(), std::nullopt);
}

std::string QorvCSApplicationController::renderScreen(bool* chartsBehind)
{
    cancelPendingUpdate();
    try {
        std::string screen = reportHTML(false, m_sanitizesReport, chartsBehind);
        m_renderFailure.clear();
        return screen;
    } catch (const std::exception& e) {
        noteRenderFailure(e.what());
        return renderFailureHTML(m_renderFailure);
    }
}

const std::string& QorvCSApplicationController::exportDocument()
{
    if (!m_shownExport) {
        try {
            m_shownExport = reportHTMLForExport(true);
        } catch (const std::exception& e) {
            noteRenderFailure(e.what());
            m_shownExport = renderFailureHTML(e.what());
        }
    }
    return *m_shownExport;
}

void QorvCSApplicationController::noteRenderFailure(const std::string& failure)
{
    // Every later change fails the same way: say it once.
    if (m_renderFailure != failure)
        qorv::log(qorv::format("The report could not be rendered: %@", failure));
    m_renderFailure = failure;
}

std::optional<QorvCSReportTableChanges> QorvCSApplicationController::patchTo(const std::string& screen) const
{
    // A change inside tables or charts (a new reading) patches the page the reader is on; anything else loads it anew.
    if (!m_contentWebView || m_shownScreen.empty())
        return std::nullopt;
    return QorvCSReportTableChanges::between(m_shownScreen, screen);
}

void QorvCSApplicationController::show(std::string screen, std::optional<QorvCSReportTableChanges> patch)
{
    ++m_renderCount;
    if (m_contentWebView) {
        if (patch) {
            if (!patch->replacements.empty())
                m_contentWebView->replaceTables(*patch, screen);
        } else {
            if (auto position = m_contentWebView->scrollPosition()) {
                m_scrollAfterRefreshPoint = *position;
                m_scrollAfterRefresh = true;
            }
            m_contentWebView->loadHTMLString(screen);
        }
    }
    // The export rendering is made, and the hidden export view given it, when something prints (see printWithInfo),
    // not at every change: an idle window then runs one renderer, and a change costs one rendering and one page's
    // work.
    m_shownScreen = std::move(screen);
    m_shownExport.reset();
}

void QorvCSApplicationController::webViewDidFinishLoad(QorvCSWebView&)
{
    if (!m_scrollAfterRefresh)
        return;
    if (m_contentWebView && !m_scrollAfterRefreshAnchor.empty())
        m_contentWebView->scrollToAnchor(m_scrollAfterRefreshAnchor);
    else if (m_contentWebView)
        m_contentWebView->scrollToPoint(m_scrollAfterRefreshPoint);
    m_scrollAfterRefreshAnchor.clear();
    m_scrollAfterRefresh = false;
}

QorvCSNavigationPolicy QorvCSApplicationController::decidePolicyForNavigation(
    QorvCSWebView&, const std::string& url, const std::string& path)
{
    if (path.size() >= 4 && path.compare(path.size() - 4, 4, "html") == 0) {
        if (m_workspace)
            m_workspace->openURL(url);
        return QorvCSNavigationPolicy::Ignore;
    }
    return QorvCSNavigationPolicy::Use;
}

void QorvCSApplicationController::contentControllerDidNotify(const qorv::Notification& notification)
{
    if (notification.name != QorvCSContentControllerNotificationDidUpdate)
        return;
    auto node
        = notification.userInfoValue<std::shared_ptr<QorvCSContent>>(QorvCSContentControllerNotificationKeyContent);
    // New sections (a device plugged in, the inventory arriving) take the user's earlier choice before they show.
    const std::set<std::string> unticked = m_includeMemory.unticked();
    m_includeMemory.apply(*contentController()->root());
    if (m_includeMemory.unticked() != unticked)
        rememberedChoicesChanged();
    if (m_contentOutline) {
        // A sidebar that fails to show the change must not keep the report from showing it.
        try {
            m_contentOutline->reloadItem(node.get(), true);
            m_contentOutline->expandItem(nullptr, true);
        } catch (const std::exception& e) {
            qorv::log(qorv::format("The sidebar could not be updated: %@", e.what()));
        }
    }
    if (!isPaused())
        scheduleUpdate();
}

const std::shared_ptr<QorvCSContentController>& QorvCSApplicationController::contentController()
{
    if (!m_contentController)
        setContentController(std::make_shared<QorvCSContentController>());
    return m_contentController;
}

void QorvCSApplicationController::setContentController(std::shared_ptr<QorvCSContentController> contentController)
{
    if (contentController == m_contentController)
        return;
    auto& center = qorv::NotificationCenter::defaultCenter();
    if (m_contentController)
        center.removeObserver(this, std::nullopt, m_contentController.get());
    m_contentController = std::move(contentController);
    if (m_contentController)
        center.addObserver(
            this, [this](const qorv::Notification& n) { contentControllerDidNotify(n); }, std::nullopt,
            m_contentController.get());
}

const std::shared_ptr<QorvCSPowerSourceController>& QorvCSApplicationController::powerSourceController()
{
    if (!m_powerSourceController)
        setPowerSourceController(std::make_shared<QorvCSPowerSourceController>());
    return m_powerSourceController;
}

void QorvCSApplicationController::setPowerSourceController(std::shared_ptr<QorvCSPowerSourceController> controller)
{
    if (m_powerSourceController)
        m_powerSourceController->removeObserver(this, "sources");
    m_powerSourceController = std::move(controller);
    // The history records the sources as the controller sees them; the recorder keeps only the latest.
    auto history = QorvCSHistory::shared();
    if (!m_powerSourceController || !history || !history->recorder())
        return;
    // Readings from diagnostic files (an example set, someone else's machine) are not this computer's history.
    if (m_powerSourceController->bridge()->debugPathFor("PowerSources"))
        return;
    auto record = [recorder = history->recorder(), weakHistory = std::weak_ptr<QorvCSHistory>(history)](
                      const QorvCSPowerSourceController& sources) {
        auto alive = weakHistory.lock();
        if (!alive)
            return;
        qorv::Value::Array descriptions;
        if (auto list = sources.sources())
            for (const auto& source : *list)
                descriptions.push_back(source->rawSource());
        recorder->update(std::move(descriptions));
    };
    m_powerSourceController->addObserver(this, "sources", [record](std::string_view, const qorv::Observable* object) {
        record(*static_cast<const QorvCSPowerSourceController*>(object));
    });
    record(*m_powerSourceController);
}
