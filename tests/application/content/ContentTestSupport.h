#pragma once

#include "QorvCSContent.h"

#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "foundation/RunLoop.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// A leaf that reports one title with its label, so a parent's output shows which children took part.
class TitledLeaf : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    std::string_view className() const override { return "TitledLeaf"; }
    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        return { QorvCSReportTitle::titleWithText(label()) };
    }
};

template <typename Node = QorvCSContent>
std::shared_ptr<Node> makeNode(const std::string& uniqueID, const std::string& label = {}, bool group = false)
{
    auto node = std::make_shared<Node>(uniqueID, label.empty() ? uniqueID : label);
    node->setGroup(group);
    return node;
}

inline std::shared_ptr<QorvCSContent::Children> listOf(std::vector<std::shared_ptr<QorvCSContent>> nodes)
{
    return std::make_shared<QorvCSContent::Children>(std::move(nodes));
}

// The items' kinds and texts, one string each ("Title:Battery", "Start", "End").
inline std::vector<std::string> describe(const QorvCSReportItemList& items)
{
    std::vector<std::string> out;
    for (const auto& item : items) {
        if (auto title = std::dynamic_pointer_cast<QorvCSReportTitle>(item))
            out.push_back("Title:" + title->title());
        else if (item->className() == "QorvCSReportSubSectionStart")
            out.push_back("Start");
        else if (item->className() == "QorvCSReportSubSectionEnd")
            out.push_back("End");
        else
            out.push_back(std::string(item->className()));
    }
    return out;
}

// A localisation table of its own in front of the main bundle's directories, for one test.
class ScopedStrings {
public:
    explicit ScopedStrings(const std::string& strings)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cellsheet-content-XXXXXX").string();
        m_directory = ::mkdtemp(pattern.data());
        std::filesystem::create_directories(m_directory + "/en.lproj");
        std::ofstream(m_directory + "/en.lproj/Localizable.strings") << strings;
        m_saved = qorv::Bundle::main().resourceDirectories();
        qorv::Bundle::main().setResourceDirectories({ m_directory });
        qorv::Bundle::main().setLanguages({ "en" });
    }
    ~ScopedStrings()
    {
        qorv::Bundle::main().setResourceDirectories(m_saved);
        qorv::Bundle::main().setLanguages(qorv::Bundle::preferredLanguages());
        std::error_code ec;
        std::filesystem::remove_all(m_directory, ec);
    }
    ScopedStrings(const ScopedStrings&) = delete;
    ScopedStrings& operator=(const ScopedStrings&) = delete;

private:
    std::string m_directory;
    std::vector<std::string> m_saved;
};

// Records the notifications of one name posted with one object.
class NotificationLog {
public:
    NotificationLog(std::string_view name, const void* object)
    {
        qorv::NotificationCenter::defaultCenter().addObserver(
            this, [this](const qorv::Notification& n) { received.push_back(n); }, std::string(name), object);
    }
    ~NotificationLog() { qorv::NotificationCenter::defaultCenter().removeObserver(this); }
    NotificationLog(const NotificationLog&) = delete;
    NotificationLog& operator=(const NotificationLog&) = delete;

    std::vector<qorv::Notification> received;
};

// Runs whatever earlier tests left queued on the main run loop.
inline void drainMainRunLoop()
{
    while (qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0))) { }
}
