#pragma once

#include "QorvCSReportTableChanges.h"

#include <optional>
#include <string>

class QorvCSWebView;

enum class QorvCSNavigationPolicy { Use, Ignore };

// What a web view tells its delegate.
class QorvCSWebViewDelegate {
public:
    virtual ~QorvCSWebViewDelegate() = default;
    virtual void webViewDidFinishLoad(QorvCSWebView& webView) = 0;
    // A link the user followed, in any frame of the report; url is the whole address, path its path component.
    // The report's views never show another page, so Use only lets the view stay where it is.
    virtual QorvCSNavigationPolicy decidePolicyForNavigation(
        QorvCSWebView& webView, const std::string& url, const std::string& path)
        = 0;
};

// A web view that shows HTML with no base address.
class QorvCSWebView {
public:
    struct Point {
        double x = 0;
        double y = 0;
        bool operator==(const Point&) const = default;
    };

    virtual ~QorvCSWebView() = default;
    virtual void setDelegate(QorvCSWebViewDelegate* delegate) = 0;
    virtual void loadHTMLString(const std::string& html) = 0;
    // Replaces tables and figures of the shown document in place, which keeps the reader's place and starts no load.
    // A view that cannot (no document shown yet, one still loading, or one without changes.tableCount of them) loads
    // document, the whole new one, instead.
    virtual void replaceTables(const QorvCSReportTableChanges& changes, const std::string& document)
    {
        (void)changes;
        loadHTMLString(document);
    }
    // The document's scroll position; nullopt while no document has been shown.
    virtual std::optional<Point> scrollPosition() const = 0;
    virtual void scrollToPoint(Point point) = 0;
    virtual void searchFor(const std::string& text, bool forward, bool caseSensitive, bool wrap) = 0;
    virtual void setShouldPrintBackgrounds(bool printBackgrounds) = 0;
    // Scrolls the element with this HTML id to the top of the view; nothing when the document has none.
    virtual void scrollToAnchor(const std::string& anchor) = 0;
    // Lets go of the document and of what holds it (a web engine's renderer process); the next load starts afresh.
    virtual void releaseDocument() { }
};
