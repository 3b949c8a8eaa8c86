#pragma once

// Stand-ins for the platform's views: they record what the window controller asks of them.

#include "QorvCSOutlineView.h"
#include "QorvCSToolbar.h"
#include "QorvCSWebView.h"
#include "QorvCSWorkspace.h"

#include <optional>
#include <string>
#include <vector>

class QorvCSContent;

class FakeOutline : public QorvCSOutlineView {
public:
    struct Call {
        std::string what; // "reload" or "expand"
        QorvCSContent* item;
        bool children;
        bool operator==(const Call&) const = default;
    };
    void setDelegate(QorvCSOutlineDelegate* d) override { delegate = d; }
    void setDataSource(QorvCSContentController* source) override { dataSource = source; }
    void reloadItem(QorvCSContent* item, bool reloadChildren) override
    {
        calls.push_back({ "reload", item, reloadChildren });
    }
    void expandItem(QorvCSContent* item, bool expandChildren) override
    {
        calls.push_back({ "expand", item, expandChildren });
    }
    void sizeLastColumnToFit() override { ++sizedToFit; }

    QorvCSOutlineDelegate* delegate = nullptr;
    QorvCSContentController* dataSource = nullptr;
    std::vector<Call> calls;
    int sizedToFit = 0;
};

class FakeWebView : public QorvCSWebView {
public:
    struct Search {
        std::string text;
        bool forward, caseSensitive, wrap;
        bool operator==(const Search&) const = default;
    };
    void setDelegate(QorvCSWebViewDelegate* d) override { delegate = d; }
    void loadHTMLString(const std::string& html) override
    {
        loads.push_back(html);
        page = html;
    }
    void replaceTables(const QorvCSReportTableChanges& changes, const std::string& document) override
    {
        patches.push_back(changes);
        // The page becomes the document only when the replacements are what take it there.
        const auto fitting = QorvCSReportTableChanges::between(page, document);
        const bool fits
            = fitting && fitting->tableCount == changes.tableCount && fitting->replacements == changes.replacements;
        page = fits ? document : "a patch that does not fit the page";
    }
    std::optional<Point> scrollPosition() const override { return position; }
    void scrollToPoint(Point point) override { scrolls.push_back(point); }
    void searchFor(const std::string& text, bool forward, bool caseSensitive, bool wrap) override
    {
        searches.push_back({ text, forward, caseSensitive, wrap });
    }
    void setShouldPrintBackgrounds(bool print) override { printBackgrounds = print; }
    void scrollToAnchor(const std::string& anchor) override { anchors.push_back(anchor); }
    std::vector<std::string> anchors;

    QorvCSWebViewDelegate* delegate = nullptr;
    std::vector<std::string> loads;
    std::vector<QorvCSReportTableChanges> patches;
    std::string page; // the document the page shows once what it was handed is in
    std::optional<Point> position; // nullopt: no document shown yet
    std::vector<Point> scrolls;
    std::vector<Search> searches;
    std::optional<bool> printBackgrounds;
};

class FakeToolbar : public QorvCSToolbar {
public:
    std::vector<QorvCSToolbarItem*> items() override { return {}; }
};

class FakeWorkspace : public QorvCSWorkspace {
public:
    void openURL(const std::string& url) override { opened.push_back(url); }
    std::optional<qorv::Image> mailApplicationIcon() const override { return std::nullopt; }
    qorv::Image iconForFileType(const std::string&) const override { return {}; }
    std::vector<std::string> opened;
};
