#include "QorvCSWebPrintOperation.h"
#include "QorvCSWebEngineView.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace {

constexpr int loadLimit = 120000; // ms; the engine's first start is slow on a loaded machine

struct Result {
    bool ok;
    std::string reason;
};

// The hidden export view as the window has it, with a PDF job into a folder of the test's own.
class WebPrintOperationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(800, 1000);
        job.saveToFile = true;
        job.savingPath = (directory / "report.pdf").string();
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // Long enough that loading and printing it take a while.
    static std::string longReport()
    {
        std::string html = "<html><body>";
        while (html.size() < 2 * 1024 * 1024)
            html += "<p>Cycle Count " + std::string(200, 'x') + "</p>\n";
        return html + "</body></html>";
    }

    void run()
    {
        operation.run(job, false, [this](bool ok, const std::string& reason) { result = Result { ok, reason }; });
    }

    std::filesystem::path directory
        = std::filesystem::temp_directory_path() / ("cellsheet-print-" + std::to_string(::getpid()));
    QorvCSWebEngineView view { QStringLiteral("test-print") };
    QorvCSWebPrintOperation operation { &view, nullptr };
    QorvCSPrintJob job;
    std::optional<Result> result;
};

} // namespace

TEST_F(WebPrintOperationTest, ARendererThatDiesEndsTheJobWithItsReasonAndTheNextJobWorks)
{
    // The renderer dies while the export document loads: the job waiting for it must not wait for ever.
    view.loadHTMLString(longReport());
    run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.page()->renderProcessPid() > 0; }, loadLimit));
    ::kill(pid_t(view.page()->renderProcessPid()), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, loadLimit)) << "the job never ended";
    EXPECT_FALSE(result->ok);
    EXPECT_EQ(result->reason, "the report's renderer stopped before the job was done");
    EXPECT_FALSE(operation.isRunning());

    result.reset();
    QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
    view.loadHTMLString("<html><body><p>again</p></body></html>");
    run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, loadLimit));
    EXPECT_TRUE(result->ok) << result->reason;
    EXPECT_TRUE(std::filesystem::exists(job.savingPath));
}

TEST_F(WebPrintOperationTest, AJobThatCannotFinishInTimeFails)
{
    operation.setTimeLimit(std::chrono::milliseconds(1));
    view.loadHTMLString(longReport());
    run(); // waits for the load, which takes longer than the limit
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, loadLimit));
    EXPECT_FALSE(result->ok);
    EXPECT_EQ(result->reason, "the report did not print in time");
    EXPECT_FALSE(operation.isRunning());
    QTest::qWait(200); // the load finishing late starts nothing
    EXPECT_FALSE(std::filesystem::exists(job.savingPath));
}
