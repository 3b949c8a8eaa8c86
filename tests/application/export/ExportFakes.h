#pragma once

#include "QorvCSApplicationController.h"

#include <fstream>
#include <map>
#include <vector>

// The window controller's platform boundary, recorded.
struct FakeWebView : QorvCSWebView {
    void setDelegate(QorvCSWebViewDelegate*) override { }
    void loadHTMLString(const std::string& html) override { loads.push_back(html); }
    std::optional<Point> scrollPosition() const override { return std::nullopt; }
    void scrollToPoint(Point) override { }
    void searchFor(const std::string&, bool, bool, bool) override { }
    void scrollToAnchor(const std::string&) override { }
    void setShouldPrintBackgrounds(bool) override { }
    void releaseDocument() override { ++releases; }
    std::vector<std::string> loads;
    int releases = 0;
};

// Keeps each job's completion so a test decides when the operation ends; a PDF job writes its file.
struct FakePrintOperation : QorvCSPrintOperation {
    void run(const QorvCSPrintJob& job, bool showPrintPanel, Completion completion) override
    {
        if (pending)
            return completion(false, "another print job is running");
        jobs.push_back(job);
        panels.push_back(showPrintPanel);
        pending = std::move(completion);
    }
    void runPageLayout(qorv::Value::Dictionary&) override { }
    void finish(bool ok, const std::string& reason = "failed")
    {
        if (ok && jobs.back().saveToFile)
            std::ofstream(jobs.back().savingPath) << "%PDF-1.4\n";
        auto completion = std::move(pending);
        pending = {};
        completion(ok, ok ? "" : reason);
    }
    std::vector<QorvCSPrintJob> jobs;
    std::vector<bool> panels;
    Completion pending;
};

struct FakeSavePanel : QorvCSSavePanel {
    void beginSheet(const Options& o, Completion completion) override
    {
        options.push_back(o);
        completion(answer);
    }
    std::optional<std::string> answer;
    std::vector<Options> options;
};

struct FakeMailComposer : QorvCSMailComposer {
    bool isAvailable() const override { return available; }
    bool composeMessage(const std::string& subject, const std::string& body, const std::string& attachment) override
    {
        messages.push_back({ subject, body, attachment });
        return starts;
    }
    bool available = true;
    bool starts = true;
    std::vector<std::vector<std::string>> messages;
};

struct FakeAlert : QorvCSAlertPresenter {
    void showAlert(const std::string& message, const std::string& detail) override
    {
        alerts.push_back({ message, detail });
    }
    void showNotice(const std::string& message, const std::string& path) override
    {
        notices.push_back({ message, path });
    }
    std::vector<std::pair<std::string, std::string>> alerts;
    std::vector<std::pair<std::string, std::string>> notices;
};

struct FakeWorkspace : QorvCSWorkspace {
    void openURL(const std::string& url) override { opened.push_back(url); }
    std::optional<qorv::Image> mailApplicationIcon() const override { return mailIcon; }
    qorv::Image iconForFileType(const std::string& extension) const override { return { "type-" + extension, {} }; }
    std::optional<qorv::Image> mailIcon;
    std::vector<std::string> opened;
};
