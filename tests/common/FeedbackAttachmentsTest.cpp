#include "QorvFeedbackAttachments.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace std::string_literals;

TEST(FeedbackAttachments, ListsWhatIsSentBesidesTheTypedEntries)
{
    const auto file = std::filesystem::temp_directory_path() / ("feedback-attachment-" + std::to_string(::getpid()));
    std::ofstream(file, std::ios::binary) << "trace\n";
    const QorvFeedbackFields fields {
        { "name", "Ada"s },
        { "email", "ada@example.org"s },
        { "detail", "It broke"s },
        { "product", "org.cellsheet.cellsheet"s },
        { "version", "1.0"s },
        { "file-report-html", "<p>report ✓</p>"s },
        { "file-debug-plist", "<plist/>"s },
        { "log", qorv::Value::Data { "\x00\x01"s } },
        { "trace", QorvFeedbackFileURL { file.string() } },
        { "unreadable", QorvFeedbackFileURL { file.string() + ".missing" } },
    };
    const auto titles = [](std::string_view field) { return field == "file-report-html" ? "Report"s : ""s; };
    const std::vector<QorvFeedbackAttachment> expected {
        { "file-debug-plist", "file-debug-plist", "<plist/>" },
        { "file-report-html", "Report", "<p>report ✓</p>" },
        { "log", "log", "\x00\x01"s },
        { "trace", "trace", "trace\n" },
        { "unreadable", "unreadable", "" },
    };
    EXPECT_EQ(QorvFeedbackAttachments::attachmentsInFields(fields, titles), expected);
    // What is listed is byte for byte what the body carries.
    const std::string body = QorvFeedbackControllerUpload::dataForPOSTWithDictionary(fields, "B");
    for (const auto& attachment : expected)
        EXPECT_NE(body.find(attachment.contents + "\r\n--B"), std::string::npos) << attachment.field;
    EXPECT_TRUE(QorvFeedbackAttachments::attachmentsInFields({ { "name", "Ada"s } }, titles).empty());
    std::filesystem::remove(file);
}

TEST(FeedbackAttachments, SizesReadAsFileManagersShowThem)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        { 0, "0 bytes" },
        { 1, "1 byte" },
        { 999, "999 bytes" },
        { 1000, "1.0 kB" },
        { 12449, "12.4 kB" },
        { 999949, "999.9 kB" },
        { 999950, "1.0 MB" },
        { 3100000, "3.1 MB" },
        { 5000000000000000ULL, "5000.0 TB" },
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(QorvFeedbackAttachments::formattedSize(bytes), text) << bytes;
}
