#pragma once

#include "QorvCSOutlineView.h"
#include "QorvCSToolbar.h"
#include "QorvCSWebView.h"
#include "QorvCSWorkspace.h"

#include "QorvCSContentController.h"

#include "foundation/NotificationCenter.h"

#include <memory>
#include <optional>
#include <string>

class QorvCSPowerSourceController;

// The main window's controller: owns the content tree, renders the report into the on-screen and the hidden
// export web view, keeps the report scrolled where the user left it, applies the link policy, searches, and lets
// printing and feedback pause re-rendering. The views are the shell's; the controller does not own them.
class QorvCSApplicationController : public QorvCSWebViewDelegate {
public:
    QorvCSApplicationController() = default;
    ~QorvCSApplicationController() override;
    QorvCSApplicationController(const QorvCSApplicationController&) = delete;
    QorvCSApplicationController& operator=(const QorvCSApplicationController&) = delete;

    virtual std::string_view className() const { return "QorvCSApplicationController"; }

    // Checks the outlets, wires delegates and the data source, renders once.
    void awakeFromNib();

    void pause() { }
    // The search field's text; a sender without a text (nullopt) is ignored.
    void searchReport(const std::optional<std::string>& stringValue);
    void refresh();
    std::string reportHTMLForExport(bool forExport);
    bool isPaused() const { return m_pauseStack != 0; }
    void pauseUpdates();
    void resumeUpdates();
    void updateWebView();

    // QorvCSWebViewDelegate
    void webViewDidFinishLoad(QorvCSWebView& webView) override;
    QorvCSNavigationPolicy decidePolicyForNavigation(
        QorvCSWebView& webView, const std::string& url, const std::string& path) override;

    void contentControllerDidNotify(const qorv::Notification& notification);

    const std::shared_ptr<QorvCSContentController>& contentController();
    void setContentController(std::shared_ptr<QorvCSContentController> contentController);

    QorvCSOutlineView* contentOutline() const { return m_contentOutline; }
    void setContentOutline(QorvCSOutlineView* outline) { m_contentOutline = outline; }
    QorvCSWebView* contentWebView() const { return m_contentWebView; }
    void setContentWebView(QorvCSWebView* webView) { m_contentWebView = webView; }
    QorvCSWebView* contentPrintView() const { return m_contentPrintView; }
    void setContentPrintView(QorvCSWebView* webView) { m_contentPrintView = webView; }
    QorvCSToolbar* toolbar() const { return m_toolbar; }
    void setToolbar(QorvCSToolbar* toolbar) { m_toolbar = toolbar; }
    QorvCSWorkspace* workspace() const { return m_workspace; }
    void setWorkspace(QorvCSWorkspace* workspace) { m_workspace = workspace; }

    bool scrollAfterRefresh() const { return m_scrollAfterRefresh; }
    void setScrollAfterRefresh(bool scroll) { m_scrollAfterRefresh = scroll; }
    QorvCSWebView::Point scrollAfterRefreshPoint() const { return m_scrollAfterRefreshPoint; }
    void setScrollAfterRefreshPoint(QorvCSWebView::Point point) { m_scrollAfterRefreshPoint = point; }
    unsigned long pauseStack() const { return m_pauseStack; }
    void setPauseStack(unsigned long depth) { m_pauseStack = depth; }

    // How many times both views were rendered (for the shell's status and for tests).
    unsigned long renderCount() const { return m_renderCount; }

private:
    QorvCSOutlineView* m_contentOutline = nullptr;
    QorvCSWebView* m_contentWebView = nullptr;
    QorvCSWebView* m_contentPrintView = nullptr;
    QorvCSToolbar* m_toolbar = nullptr;
    QorvCSWorkspace* m_workspace = nullptr;
    std::shared_ptr<QorvCSContentController> m_contentController;
    bool m_scrollAfterRefresh = false;
    QorvCSWebView::Point m_scrollAfterRefreshPoint;
    unsigned long m_pauseStack = 0;
    unsigned long m_renderCount = 0;
};
