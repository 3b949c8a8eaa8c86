#include "QorvFeedbackControllerUpload.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

using Upload = QorvFeedbackControllerUpload;

std::string body(const QorvFeedbackFields& fields)
{
    return Upload::dataForPOSTWithDictionary(fields, "B");
}

} // namespace

TEST(FeedbackUpload, EachKindOfFieldMakesItsPart)
{
    const std::string bytes("\x00\x01\xff\r\n--B", 7);
    const struct {
        QorvFeedbackFields fields;
        std::string expected;
    } cases[] = {
        { {}, "--B--\r\n" },
        { { { "k", "v"s } }, "--B\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv\r\n--B--\r\n" },
        // Raw bytes are a file part named after the field.
        { { { "log", qorv::Value::Data { bytes } } },
            "--B\r\nContent-Disposition: form-data; name=\"log\"; filename=\"log\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n"
                + bytes + "\r\n--B--\r\n" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(body(c.fields), c.expected);
    EXPECT_EQ(Upload::boundary(1804289383, reinterpret_cast<const void*>(0x55d0c0ffee)),
        "1804289383QorvFeedbackController0x55d0c0ffee");
}

TEST(FeedbackUpload, AFileIsSentWithItsNameAndBytes)
{
    const auto dir = std::filesystem::temp_directory_path() / ("feedback-upload-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string bytes("PDF\0bytes", 9);
    std::ofstream(dir / "report.pdf", std::ios::binary) << bytes;

    EXPECT_EQ(body({ { "attachment", QorvFeedbackFileURL { (dir / "report.pdf").string() } } }),
        "--B\r\n"
        "Content-Disposition: form-data; name=\"attachment\"; filename=\"report.pdf\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n"
            + bytes + "\r\n--B--\r\n");
    // A file that cannot be read sends its headers and no bytes.
    EXPECT_EQ(body({ { "gone", QorvFeedbackFileURL { (dir / "missing.txt").string() } } }),
        "--B\r\n"
        "Content-Disposition: form-data; name=\"gone\"; filename=\"missing.txt\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n"
        "\r\n--B--\r\n");
    std::filesystem::remove_all(dir);
}

TEST(FeedbackUpload, ContentLengthCountsBytesNotCharacters)
{
    const std::string detail = "Akku schwächelt ✓"; // 17 characters, 20 bytes
    const std::string b = body({ { "detail", detail } });
    const std::string expected
        = "--B\r\nContent-Disposition: form-data; name=\"detail\"\r\n\r\n" + detail + "\r\n--B--\r\n";
    EXPECT_EQ(b, expected);
    EXPECT_EQ(detail.size(), 20u);
    EXPECT_EQ(Upload::contentLength(b), std::to_string(expected.size()));
    EXPECT_EQ(Upload::contentType("xyz"), "multipart/form-data; boundary=xyz");
}

TEST(FeedbackUpload, FieldsLeaveOutEmptyEntriesAndTheDelegateWins)
{
    QorvFeedbackFields delegateFields { { "file-report-html", "<html>"s }, { "file-debug-plist", "<plist>"s } };
    auto fields = Upload::fieldsForReport("A", "", "", "org.example.app", "7", delegateFields);
    std::vector<std::string> keys;
    for (const auto& [key, value] : fields)
        keys.push_back(key);
    EXPECT_EQ(
        keys, (std::vector<std::string> { "file-debug-plist", "file-report-html", "name", "product", "version" }));
    const std::string b = body(fields);
    EXPECT_EQ(b.find("name=\"email\""), std::string::npos);
    EXPECT_EQ(b.find("name=\"detail\""), std::string::npos);

    fields = Upload::fieldsForReport("Typed", "a@b.c", "text", "p", "v", QorvFeedbackFields { { "name", "Given"s } });
    EXPECT_EQ(fields.at("name"), QorvFeedbackFieldValue("Given"s));
    EXPECT_EQ(fields.size(), 5u);
    EXPECT_EQ(Upload::fieldsForReport("", "", "", "p", "v", std::nullopt).size(), 2u);
}

TEST(FeedbackUpload, ABoundaryFoundInAnyFieldIsReplaced)
{
    const auto dir = std::filesystem::temp_directory_path() / ("feedback-boundary-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "notes.txt") << "before DDD after";

    const QorvFeedbackFields fields {
        { "detail", "text with AAA inside"s },
        { "log", qorv::Value::Data { "bytes BBB" } },
        { "CCC", "a field name"s },
        { "notes", QorvFeedbackFileURL { (dir / "notes.txt").string() } },
    };
    std::vector<std::string> candidates { "AAA", "BBB", "CCC", "DDD", "EEE" };
    size_t asked = 0;
    const std::string boundary = Upload::uniqueBoundary(fields, [&] { return candidates.at(asked++); });
    EXPECT_EQ(boundary, "EEE");
    EXPECT_EQ(asked, 5u);

    // The first candidate is kept when nothing contains it.
    asked = 0;
    candidates = { "ZZZ" };
    EXPECT_EQ(Upload::uniqueBoundary(fields, [&] { return candidates.at(asked++); }), "ZZZ");
    std::filesystem::remove_all(dir);
}
