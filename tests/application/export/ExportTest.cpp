#include "ExportFakes.h"

#include "QorvCSContentController.h"
#include "QorvCSPrintInfo.h"

#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Shared settings for a paper of 600 × 800 points whose printable area leaves the given borders.
qorv::Value::Dictionary paperWithBorders(double left, double right, double top, double bottom)
{
    return {
        { std::string(QorvCSPrintPaperWidth), 600.0 },
        { std::string(QorvCSPrintPaperHeight), 800.0 },
        { std::string(QorvCSPrintImageableX), left },
        { std::string(QorvCSPrintImageableY), bottom },
        { std::string(QorvCSPrintImageableWidth), 600.0 - left - right },
        { std::string(QorvCSPrintImageableHeight), 800.0 - top - bottom },
    };
}

TEST(PrintMargins, EachPairTakesItsLargerBorderAndNeverGoesBelowZero)
{
    struct Case {
        double left, right, top, bottom;
        double horizontal, vertical;
    } cases[] = {
        { 18, 12, 30, 20, 18, 30 },
        { 12, 18, 20, 30, 18, 30 },
        { -5, -3, 10, -2, 0, 10 },
        { 0, 0, 0, 0, 0, 0 },
        { 36.4, 0, 0, 72.9, 36.4, 72.9 },
    };
    for (const auto& c : cases) {
        const QorvCSPrintJob job = QorvCSMakePrintJob(paperWithBorders(c.left, c.right, c.top, c.bottom), {});
        EXPECT_NEAR(job.leftMargin, c.horizontal, 1e-4) << c.left << "/" << c.right;
        EXPECT_NEAR(job.rightMargin, c.horizontal, 1e-4);
        EXPECT_NEAR(job.topMargin, c.vertical, 1e-4) << c.top << "/" << c.bottom;
        EXPECT_NEAR(job.bottomMargin, c.vertical, 1e-4);
        EXPECT_FALSE(job.verticallyCentered);
    }
}

TEST(PrintMargins, MissingSettingsCountAsZero)
{
    const QorvCSPrintJob job = QorvCSMakePrintJob({}, {});
    EXPECT_EQ(job.leftMargin, 0);
    EXPECT_EQ(job.topMargin, 0);
    EXPECT_FALSE(job.saveToFile);
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory = fs::temp_directory_path()
            / ("cellsheet-export-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory);
        fs::create_directories(directory);
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_SOURCE_RESOURCES });
        qorv::Bundle::main().setLanguages({ "en" });
        controller.setContentController(std::make_shared<QorvCSContentController>());
        auto root = QorvCSContent::rootContent();
        auto section = QorvCSContent::contentWithUniqueID("battery", "Battery");
        auto children = std::make_shared<QorvCSContent::Children>();
        children->push_back(section);
        root->setChildren(children);
        controller.contentController()->setRoot(root);
        controller.setContentWebView(&screen);
        controller.setContentPrintView(&exported);
        controller.setPrintOperation(&printer);
        controller.setSavePanel(&panel);
        controller.setMailComposer(&mail);
        controller.setAlertPresenter(&alerts);
        controller.setComputerNameSource([] { return std::string("Ada's Laptop"); });
    }
    void TearDown() override { fs::remove_all(directory); }

    fs::path directory;
    FakeWebView screen;
    FakeWebView exported;
    FakePrintOperation printer;
    FakeSavePanel panel;
    FakeMailComposer mail;
    FakeAlert alerts;
    QorvCSApplicationController controller;
};

TEST_F(ExportTest, PrintingPausesUpdatesAndRefreshesOnceWhenItEnds)
{
    controller.printDocument();
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_TRUE(printer.panels[0]);
    EXPECT_TRUE(controller.isPaused());
    // Changes during the operation wait for it.
    controller.refresh();
    controller.refresh();
    EXPECT_TRUE(screen.loads.empty());
    printer.finish(true);
    EXPECT_FALSE(controller.isPaused());
    EXPECT_EQ(screen.loads.size(), 1u);
    EXPECT_TRUE(exported.loads.empty()) << "nothing was shown to print, and the export view is not kept current";
}

TEST_F(ExportTest, ACancelledPrintPanelStillResumes)
{
    controller.pauseUpdates();
    controller.print();
    printer.finish(false);
    EXPECT_TRUE(controller.isPaused()) << "the outer pause stays";
    EXPECT_TRUE(screen.loads.empty());
    controller.resumeUpdates();
    EXPECT_EQ(screen.loads.size(), 1u);
}

TEST_F(ExportTest, PrintToPDFOverridesTheSharedSettingsWithoutAPanel)
{
    auto shared = controller.sharedPrintSettings();
    shared.insert_or_assign(std::string(QorvCSPrintJobDisposition), std::string(QorvCSPrintSpoolJob));
    controller.setSharedPrintSettings(shared);
    bool result = false;
    controller.printToPDF((directory / "out.pdf").string(), [&](bool ok, const std::string&) { result = ok; });
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_FALSE(printer.panels[0]);
    EXPECT_TRUE(printer.jobs[0].saveToFile);
    EXPECT_EQ(printer.jobs[0].savingPath, (directory / "out.pdf").string());
    EXPECT_GT(printer.jobs[0].leftMargin, 0) << "the default paper keeps a border";
    printer.finish(true);
    EXPECT_TRUE(result);
}

TEST_F(ExportTest, TheExportViewIsLetGoAfterEachJobAndLoadedAgainForTheNext)
{
    controller.refresh();
    const auto printTo = [&](const char* name, std::optional<bool>& result) {
        controller.printToPDF((directory / name).string(), [&](bool ok, const std::string&) { result = ok; });
    };
    std::optional<bool> first, refused, second;
    printTo("first.pdf", first);
    ASSERT_EQ(exported.loads.size(), 1u);
    printTo("refused.pdf", refused);
    EXPECT_EQ(refused, false);
    EXPECT_EQ(exported.releases, 0) << "a job turned away lets go of nothing the running one prints";
    EXPECT_EQ(exported.loads.size(), 1u);
    printer.finish(true);
    EXPECT_EQ(first, true);
    EXPECT_EQ(exported.releases, 1);

    // The same document again: the view let go of it, so it is loaded again.
    printTo("second.pdf", second);
    ASSERT_EQ(exported.loads.size(), 2u);
    EXPECT_EQ(exported.loads[1], exported.loads[0]);
    printer.finish(false);
    EXPECT_EQ(second, false);
    EXPECT_EQ(exported.releases, 2) << "a failed job lets go too";

    // After a change the next job prints the report as it is now, not the rendering made for the last job.
    controller.setComputerNameSource([] { return std::string("Bob's Desktop"); });
    controller.refresh();
    std::optional<bool> third;
    printTo("third.pdf", third);
    ASSERT_EQ(exported.loads.size(), 3u);
    EXPECT_NE(exported.loads[2].find("Bob&#x27;s Desktop"), std::string::npos);
    EXPECT_EQ(exported.loads[2], controller.reportHTMLForExport(true));
}

TEST_F(ExportTest, PDFExportOffersTheReportNameAndTellsTheUserWhenSavingFails)
{
    panel.answer = (directory / "report.pdf").string();
    controller.exportToPDF();
    ASSERT_EQ(panel.options.size(), 1u);
    EXPECT_EQ(panel.options[0].fileType, "pdf");
    EXPECT_EQ(panel.options[0].nameFieldValue, "Power report for Ada's Laptop");
    printer.finish(false, "another print job is running");
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_NE(alerts.alerts[0].first.find("report.pdf"), std::string::npos);
    EXPECT_EQ(alerts.alerts[0].second, "Writing " + *panel.answer + " failed: another print job is running.")
        << "the real reason, not general advice";
    EXPECT_TRUE(alerts.notices.empty());

    panel.answer.reset();
    controller.exportToPDF();
    EXPECT_EQ(printer.jobs.size(), 1u) << "cancelling prints nothing";
    EXPECT_EQ(alerts.alerts.size(), 1u);

    // The panel opens where the user last saved.
    EXPECT_EQ(controller.saveFolder(), directory.string());
    panel.answer = (directory / "saved.pdf").string();
    controller.exportToPDF();
    EXPECT_EQ(panel.options.back().directory, directory.string());
    printer.finish(true);
    EXPECT_EQ(alerts.alerts.size(), 1u);
    ASSERT_EQ(alerts.notices.size(), 1u) << "a saved file is confirmed";
    EXPECT_EQ(alerts.notices[0], std::make_pair("Saved to " + *panel.answer, *panel.answer));
}

TEST_F(ExportTest, DebugExportWritesTheTreeAndReadsBackEqual)
{
    panel.answer = (directory / "tree.plist").string();
    controller.exportForDebug();
    EXPECT_EQ(panel.options.back().fileType, "plist");
    EXPECT_EQ(panel.options.back().nameFieldValue, "cellsheet-debug-Ada's Laptop") << "not the report's name";
    auto read = qorv::PropertyList::readFile(*panel.answer, qorv::Value::Type::Dictionary);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(read.value, controller.contentController()->root()->debug());
    EXPECT_TRUE(alerts.alerts.empty());

    panel.answer = (directory / "missing-folder" / "tree.plist").string();
    controller.exportForDebug();
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_NE(alerts.alerts[0].first.find("tree.plist"), std::string::npos);
    EXPECT_FALSE(alerts.alerts[0].second.empty()) << "the reason is given";
}

TEST_F(ExportTest, EmailAttachesThePDFFromThePrivateFolder)
{
    controller.setMailAttachmentDirectory(directory.string());
    controller.exportToEmail();
    ASSERT_EQ(printer.jobs.size(), 1u);
    const std::string expected = (directory / "Power report for Ada's Laptop.pdf").string();
    EXPECT_EQ(printer.jobs[0].savingPath, expected);
    printer.finish(true);
    ASSERT_EQ(mail.messages.size(), 1u);
    EXPECT_EQ(mail.messages[0][0], "Power report for Ada's Laptop");
    EXPECT_NE(mail.messages[0][1].find("Ada's Laptop"), std::string::npos);
    EXPECT_EQ(mail.messages[0][2], expected);
}

TEST_F(ExportTest, EmailThatCannotBeSentSaysWhyAndWhereThePDFIs)
{
    // An e-mail button that does nothing looks broken: each failure says why.
    controller.setMailAttachmentDirectory(directory.string());
    const std::string pdf = (directory / "Power report for Ada's Laptop.pdf").string();
    struct Case {
        bool printed, available, starts;
        std::string message, detailMentions;
    };
    const Case cases[] = {
        { true, false, true, "No mail program was found.", "xdg-email" },
        { true, true, false, "The report could not be prepared for e-mail.", "could not be started" },
        { false, true, true, "The report could not be prepared for e-mail.", "Writing" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detailMentions);
        alerts.alerts.clear();
        mail.available = c.available;
        mail.starts = c.starts;
        controller.exportToEmail();
        printer.finish(c.printed);
        ASSERT_EQ(alerts.alerts.size(), 1u);
        EXPECT_EQ(alerts.alerts[0].first, c.message);
        EXPECT_NE(alerts.alerts[0].second.find(c.detailMentions), std::string::npos) << alerts.alerts[0].second;
        EXPECT_NE(alerts.alerts[0].second.find(pdf), std::string::npos) << alerts.alerts[0].second;
    }
    EXPECT_TRUE(fs::exists(pdf));
}

TEST_F(ExportTest, TheEmailedReportHidesNamesUnlessTheUserChoseOtherwise)
{
    // An attachment leaves the machine: by default it is the sanitised report; unasked, the whole one.
    controller.setMailAttachmentDirectory(directory.string());
    controller.refresh();
    ASSERT_NE(controller.reportHTMLForExport(true).find("Laptop"), std::string::npos)
        << "the export shows the computer's name";
    controller.exportToEmail();
    ASSERT_EQ(exported.loads.size(), 1u) << "the export view is given its document to print it";
    EXPECT_EQ(exported.loads.back().find("Laptop"), std::string::npos) << exported.loads.back();
    printer.finish(true);

    controller.setSanitizesSharedReports(false);
    controller.exportToEmail();
    ASSERT_EQ(exported.loads.size(), 2u);
    EXPECT_NE(exported.loads.back().find("Laptop"), std::string::npos) << "the whole report is attached";
    printer.finish(true);
}

TEST_F(ExportTest, TheEmailAttachmentIsReviewedBeforeTheMailProgramSeesIt)
{
    struct FakeReview : QorvCSAttachmentReview {
        void reviewAttachment(const QorvCSAttachmentReviewItem& item, Answer a) override
        {
            items.push_back(item);
            answer = std::move(a);
        }
        void endReview() override { ++ended; }
        std::vector<QorvCSAttachmentReviewItem> items;
        Answer answer;
        int ended = 0;
    } review;
    controller.setAttachmentReview(&review);
    controller.setMailAttachmentDirectory(directory.string());
    const std::string pdf = (directory / "Power report for Ada's Laptop.pdf").string();

    controller.exportToEmail();
    EXPECT_EQ(exported.loads.back().find("Laptop"), std::string::npos);
    printer.finish(true);
    ASSERT_EQ(review.items.size(), 1u);
    EXPECT_EQ(review.items[0].path, pdf);
    EXPECT_EQ(review.items[0].fileName, "Power report for Ada's Laptop.pdf");
    EXPECT_EQ(review.items[0].size, 9u); // what the fake printer wrote
    EXPECT_TRUE(review.items[0].hidesIdentifying);
    EXPECT_TRUE(mail.messages.empty()) << "nothing leaves before the user says so";

    // Unticked: made again with the names, and shown again.
    review.answer(QorvCSAttachmentReviewChoice::ShowIdentifying);
    ASSERT_EQ(printer.jobs.size(), 2u);
    EXPECT_NE(exported.loads.back().find("Laptop"), std::string::npos);
    printer.finish(true);
    ASSERT_EQ(review.items.size(), 2u);
    EXPECT_FALSE(review.items[1].hidesIdentifying);
    review.answer(QorvCSAttachmentReviewChoice::HideIdentifying);
    EXPECT_EQ(exported.loads.back().find("Laptop"), std::string::npos);
    printer.finish(true);
    ASSERT_EQ(review.items.size(), 3u);
    EXPECT_TRUE(review.items[2].hidesIdentifying);
    review.answer(QorvCSAttachmentReviewChoice::Send);
    ASSERT_EQ(mail.messages.size(), 1u);
    EXPECT_EQ(mail.messages[0][2], pdf);

    // Cancelled: no message, and the private copy is gone.
    controller.exportToEmail();
    printer.finish(true);
    ASSERT_TRUE(fs::exists(pdf));
    review.answer(QorvCSAttachmentReviewChoice::Cancel);
    EXPECT_EQ(mail.messages.size(), 1u);
    EXPECT_FALSE(fs::exists(pdf));

    // The file cannot be made again: the review closes and the user is told why.
    controller.exportToEmail();
    printer.finish(true);
    review.answer(QorvCSAttachmentReviewChoice::ShowIdentifying);
    EXPECT_EQ(review.ended, 0);
    printer.finish(false, "the disk is full");
    EXPECT_EQ(review.ended, 1);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_NE(alerts.alerts[0].second.find("the disk is full"), std::string::npos);
}

TEST_F(ExportTest, FileNamesMadeFromTheComputersNameAreSafe)
{
    struct Case {
        std::string name, fileName;
    };
    const Case cases[] = {
        { "", "Power report for " }, // no name: the format with nothing filled in
        { "Lab 1/2", "Power report for Lab 1-2" },
        { "a\nb\tc\x7f", "Power report for a b c " },
        { std::string(300, 'x'), "Power report for " + std::string(223, 'x') },
    };
    for (const auto& c : cases) {
        controller.setComputerNameSource([&] { return c.name; });
        EXPECT_EQ(controller.exportFilename(), c.fileName);
    }
    // A long name is cut between characters, never inside one.
    controller.setComputerNameSource([] {
        std::string name;
        for (int i = 0; i < 150; ++i)
            name += "é";
        return name;
    });
    const std::string cut = controller.exportFilename();
    EXPECT_LE(cut.size(), 240u);
    EXPECT_EQ(cut.size() % 2, 1u) << "\"Power report for \" and whole two-byte characters";

    // The e-mail attachment lands in the chosen folder, whatever the name holds.
    controller.setComputerNameSource([] { return std::string("Lab 1/2"); });
    controller.setMailAttachmentDirectory(directory.string());
    controller.exportToEmail();
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_EQ(fs::path(printer.jobs[0].savingPath).parent_path(), directory);
    printer.finish(true);
    EXPECT_EQ(mail.messages.size(), 1u);
}

TEST_F(ExportTest, AFailedEmailAttachmentIsReportedWithItsReason)
{
    controller.setMailAttachmentDirectory(directory.string());
    controller.exportToEmail();
    printer.finish(false, "the folder does not exist or cannot be written");
    EXPECT_TRUE(mail.messages.empty());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].first, "The report could not be prepared for e-mail.");
    EXPECT_NE(alerts.alerts[0].second.find("the folder does not exist or cannot be written"), std::string::npos);
}

TEST_F(ExportTest, WithoutAPrintOperationNothingIsPausedAndTheResultIsFalse)
{
    controller.setPrintOperation(nullptr);
    std::optional<bool> result;
    controller.printToPDF((directory / "x.pdf").string(), [&](bool ok, const std::string&) { result = ok; });
    EXPECT_EQ(result, false);
    EXPECT_FALSE(controller.isPaused());
}

} // namespace
