#include "QorvCSWebPrintOperation.h"
#include "QorvCSWebEngineView.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr int loadLimit = 120000; // ms; the engine's first start is slow on a loaded machine

void load(QorvCSWebEngineView& view, const std::string& html)
{
    QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
    view.loadHTMLString(html);
    ASSERT_TRUE(loaded.wait(loadLimit));
}

std::string pdfText(const std::string& path)
{
    std::string out;
    std::array<char, 4096> buffer {};
    FILE* pipe = ::popen(("pdftotext -layout '" + path + "' -").c_str(), "r");
    while (pipe && std::fgets(buffer.data(), int(buffer.size()), pipe))
        out += buffer.data();
    if (pipe)
        ::pclose(pipe);
    return out;
}

} // namespace

// Paper cannot open an explanation: the printout shows those the reader had opened on screen, and only those.
TEST(QorvCSWebPrintOperation, PrintsTheExplanationsTheReaderOpened)
{
    QorvCSWebEngineView reader(QStringLiteral("test-reader"));
    QorvCSWebEngineView exported(QStringLiteral("test-export"));
    load(reader,
        "<html><body><p class=\"more\" id=\"more3\" style=\"display: block\">Opened explanation</p>"
        "<p class=\"more\" id=\"more4\" style=\"display: none\">Closed explanation</p></body></html>");
    load(exported,
        "<html><head><title>Report: ada</title><style>p.more { display: none } p.more.opened { display: block }"
        "</style></head><body><p>Body text</p><p class=\"more\" id=\"more3\">Opened explanation</p>"
        "<p class=\"more\" id=\"more4\">Closed explanation</p></body></html>");

    const std::string dir = std::filesystem::temp_directory_path() / ("cellsheet-print-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const bool withReader : { true, false }) {
        QorvCSWebPrintOperation operation(&exported, nullptr);
        if (withReader)
            operation.setReaderView(&reader);
        QorvCSPrintJob job;
        job.saveToFile = true;
        job.savingPath = dir + "/report.pdf";
        job.bottomMargin = 36;
        std::optional<bool> result;
        operation.run(job, false, [&](bool ok, const std::string&) { result = ok; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, loadLimit));
        ASSERT_TRUE(*result);
        const std::string text = pdfText(job.savingPath);
        EXPECT_NE(text.find("Body text"), std::string::npos) << text;
        EXPECT_EQ(text.find("Opened explanation") != std::string::npos, withReader) << text;
        EXPECT_EQ(text.find("Closed explanation"), std::string::npos) << text;
        EXPECT_NE(text.find("Page 1 of 1"), std::string::npos) << text;
    }
    std::filesystem::remove_all(dir);
}
