#include "QorvCSWebPrintOperation.h"
#include "QorvCSModules.h"
#include "QorvCSWebEngineView.h"

#include <QPdfDocument>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
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

TEST_F(WebPrintOperationTest, AJobThatCannotFinishInTimeFailsAndLeavesTheFileItWouldReplace)
{
    // The engine's answers come after the time is up: while the document loads, or (loaded already) while the job
    // prepares it for printing.
    for (const bool loaded : { false, true }) {
        SCOPED_TRACE(loaded ? "loaded" : "loading");
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
        std::ofstream(job.savingPath) << "last week's report";
        QSignalSpy loads(&view, &QorvCSWebEngineView::reportLoaded);
        view.loadHTMLString("<html><body><p>Cycle Count</p></body></html>"); // prints in a moment
        if (loaded) {
            ASSERT_TRUE(loads.wait(loadLimit));
        }
        QSignalSpy printed(view.page(), &QWebEnginePage::pdfPrintingFinished);
        operation.setTimeLimit(std::chrono::milliseconds(0));
        result.reset();
        run();
        ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, loadLimit));
        EXPECT_FALSE(result->ok);
        EXPECT_EQ(result->reason, "the report did not print in time");
        EXPECT_FALSE(operation.isRunning());
        // Whatever the engine was still asked to do ends before it could print.
        EXPECT_FALSE(printed.wait(5000));
        std::ifstream kept(job.savingPath);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(kept), {}) == "last week's report")
            << "the file was written after the job had failed";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory), {}), 1);
    }
}

namespace {

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

// Saves the export view as a PDF file through the print routine; true when it succeeded.
bool printToFile(QorvCSWebPrintOperation& operation, const std::string& path)
{
    QorvCSPrintJob job;
    job.saveToFile = true;
    job.savingPath = path;
    job.bottomMargin = 36;
    std::optional<bool> result;
    operation.run(job, false, [&](bool ok, const std::string&) { result = ok; });
    return QTest::qWaitFor([&] { return result.has_value(); }, loadLimit) && *result;
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
        ASSERT_TRUE(printToFile(operation, dir + "/report.pdf"));
        const std::string text = pdfText(dir + "/report.pdf");
        EXPECT_NE(text.find("Body text"), std::string::npos) << text;
        EXPECT_EQ(text.find("Opened explanation") != std::string::npos, withReader) << text;
        EXPECT_EQ(text.find("Closed explanation"), std::string::npos) << text;
        EXPECT_NE(text.find("Page 1 of 1"), std::string::npos) << text;
    }
    std::filesystem::remove_all(dir);
}

// Paper gets the finished PDF's pages, footer included, one image per page at the paper's size.
TEST(QorvCSWebPrintOperation, PaperGetsEveryPageOfTheFinishedPDF)
{
    QorvCSWebEngineView exported(QStringLiteral("test-paper"));
    std::string tall = "<html><head><title>Report: ada</title></head><body>";
    for (int i = 0; i < 120; ++i)
        tall += "<p>Row " + std::to_string(i) + "</p>";
    load(exported, tall + "</body></html>");

    const std::string dir = std::filesystem::temp_directory_path() / ("cellsheet-paper-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    QorvCSWebPrintOperation operation(&exported, nullptr);
    const QString finishedPDF = QString::fromStdString(dir + "/finished.pdf");
    ASSERT_TRUE(printToFile(operation, finishedPDF.toStdString()));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir + "/paper.pdf"));
    ASSERT_EQ(QorvCSWebPrintOperation::rasterize(finishedPDF, printer), "");
    QPdfDocument finished, paper;
    ASSERT_EQ(finished.load(finishedPDF), QPdfDocument::Error::None);
    ASSERT_EQ(paper.load(QString::fromStdString(dir + "/paper.pdf")), QPdfDocument::Error::None);
    ASSERT_GE(finished.pageCount(), 2);
    EXPECT_EQ(paper.pageCount(), finished.pageCount());
    // The footer's grey text is on the paper: the bottom strip of the last page is not blank.
    const QImage last = paper.render(paper.pageCount() - 1, QSize(595, 842));
    int inked = 0;
    for (int y = 842 - 36; y < 842; ++y)
        for (int x = 0; x < 595; ++x)
            inked += qGray(last.pixel(x, y)) < 200;
    EXPECT_GT(inked, 20);
    EXPECT_NE(QorvCSWebPrintOperation::rasterize(QString::fromStdString(dir + "/missing.pdf"), printer), "");
    // Without the module that reads the pages, printing says why.
    const std::string built = QorvCSModules::directory();
    QorvCSModules::setDirectory(dir + "/no-modules");
    const std::string error = QorvCSWebPrintOperation::rasterize(finishedPDF, printer);
    QorvCSModules::setDirectory(built);
    EXPECT_NE(error.find("prepared for printing: its module could not be loaded"), std::string::npos) << error;
    std::filesystem::remove_all(dir);
}
