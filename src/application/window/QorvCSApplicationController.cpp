#include "QorvCSApplicationController.h"

#include "QorvCSHTMLReport.h"
#include "QorvCSJSONReport.h"
#include "QorvCSPowerSourceController.h"
#include "QorvCSSanitizer.h"

#include "foundation/Assert.h"

#include <chrono>

QorvCSApplicationController::~QorvCSApplicationController()
{
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
    m_contentOutline->setDelegate(this);
    m_contentOutline->setDataSource(contentController().get());
    m_contentOutline->sizeLastColumnToFit();
    m_contentWebView->setShouldPrintBackgrounds(true);
    m_contentWebView->setDelegate(this);
    updateWebView();
}

void QorvCSApplicationController::searchReport(const std::optional<std::string>& stringValue)
{
    if (!stringValue || !m_contentWebView)
        return;
    m_contentWebView->searchFor(*stringValue, true, false, true);
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

std::string QorvCSApplicationController::reportHTML(bool forExport, bool sanitize)
{
    auto report = QorvCSHTMLReport::reportForExport(forExport);
    const auto items = contentController()->itemsForReport(*report);
    report->addItemsFromArray(sanitize ? newSanitizer().items(items) : items);
    return report->asHTML();
}

QorvCSApplicationController::SharedReport QorvCSApplicationController::reportToShare(bool sanitize)
{
    const qorv::Value tree = includedOnly(contentController()->root()->debug());
    return { reportHTML(false, sanitize), sanitize ? newSanitizer().value(tree) : tree };
}

QorvCSSanitizer QorvCSApplicationController::newSanitizer()
{
    QorvCSSanitizer sanitizer;
    sanitizer.addComputerAndUserNames(computerName());
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

void QorvCSApplicationController::updateWebView()
{
    if (isPaused())
        return;
    const std::string screen = reportHTMLForExport(false);
    const std::string exported = reportHTMLForExport(true);
    ++m_renderCount;
    if (m_contentWebView) {
        if (auto position = m_contentWebView->scrollPosition()) {
            m_scrollAfterRefreshPoint = *position;
            m_scrollAfterRefresh = true;
        }
        m_contentWebView->loadHTMLString(screen);
    }
    if (m_contentPrintView)
        m_contentPrintView->loadHTMLString(exported);
}

void QorvCSApplicationController::webViewDidFinishLoad(QorvCSWebView&)
{
    if (!m_scrollAfterRefresh)
        return;
    if (m_contentWebView)
        m_contentWebView->scrollToPoint(m_scrollAfterRefreshPoint);
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
    if (m_contentOutline) {
        m_contentOutline->reloadItem(node.get(), true);
        m_contentOutline->expandItem(nullptr, true);
    }
    updateWebView();
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
    m_powerSourceController = std::move(controller);
}
