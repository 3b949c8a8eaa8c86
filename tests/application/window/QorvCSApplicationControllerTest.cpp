#include "WindowFakes.h"

#include "QorvCSApplicationController.h"
#include "QorvCSReportHistoryChart.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include "AssertionMessage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <utility>

namespace {

class TitledLeaf : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        return { QorvCSReportTitle::titleWithText(label()) };
    }
};

// A section with one reading in a table.
class ReadingLeaf : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        auto table = QorvCSReportTable::tableWithSummary("readings", "");
        table->addHeading(
            QorvCSReportTableHeading::headingWithTitle("Voltage"), QorvCSReportTableValue::valueWithLabel(reading));
        QorvCSReportItemList items { QorvCSReportTitle::titleWithText(label()), table };
        for (const int64_t to : chartEnds) {
            QorvCSHistoryChart chart;
            chart.title = "Charge";
            chart.summary = "Up to " + std::to_string(to);
            chart.from = to - 3600;
            chart.to = to;
            items.push_back(QorvCSReportHistoryChart::itemWithChart(std::move(chart)));
        }
        return items;
    }
    std::string reading = "12.1 V";
    std::vector<int64_t> chartEnds; // a history chart below the table for each, drawn up to that time
};

// A battery whose serial is stated in its debug values, as a power source's is.
class SerialLeaf : public ReadingLeaf {
public:
    using ReadingLeaf::ReadingLeaf;
    void insertDebugValues(qorv::Value::Dictionary& values) override
    {
        values["powerSource"] = qorv::Value::Dictionary { { "Hardware Serial Number", "SN-4711" } };
    }
};

// A window controller in a subclass reports its own name in its assertions.
class RenamedController : public QorvCSApplicationController {
public:
    std::string_view className() const override { return "RenamedController"; }
};

// A window controller connected to fake views, over a tree of our own: root → "Batteries" group → "Left
// battery", "Right battery".
class ApplicationControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedDirectories = qorv::Bundle::main().resourceDirectories();
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
        root = QorvCSContent::rootContent();
        group = std::make_shared<QorvCSContent>("batteries", "Batteries");
        group->setGroup(true);
        left = std::make_shared<TitledLeaf>("left", "Left battery");
        right = std::make_shared<TitledLeaf>("right", "Right battery");
        group->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { left, right }));
        root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { group }));
        contentController = std::make_shared<QorvCSContentController>();
        contentController->setRoot(root);

        controller.setContentController(contentController);
        controller.setToolbar(&toolbar);
        controller.setContentOutline(&outline);
        controller.setContentWebView(&webView);
        controller.setContentPrintView(&printView);
        controller.setWorkspace(&workspace);
    }
    void TearDown() override { qorv::Bundle::main().setResourceDirectories(m_savedDirectories); }

    // The change chain as a node starts it.
    void changeNode(QorvCSContent& node) { node.postDidChangeNotification(); }
    // Runs the main run loop until the change's rendering, which waits a moment for others, has happened.
    void settle()
    {
        EXPECT_TRUE(
            qorv::RunLoop::main().runUntil([&] { return !controller.hasPendingUpdate(); }, std::chrono::seconds(5)));
    }

    std::shared_ptr<QorvCSContent> root, group, left, right;
    std::shared_ptr<QorvCSContentController> contentController;
    FakeOutline outline;
    FakeWebView webView, printView;
    FakeToolbar toolbar;
    FakeWorkspace workspace;
    QorvCSApplicationController controller;

private:
    std::vector<std::string> m_savedDirectories;
};

} // namespace

TEST_F(ApplicationControllerTest, AwakeFromNibNamesTheFirstMissingOutlet)
{
    struct Case {
        bool toolbar, outline, webView;
        const char* message;
    };
    const Case cases[] = {
        { false, true, true, "RenamedController's toolbar is not connected." },
        { true, false, true, "RenamedController's contentOutline is not connected." },
        { true, true, false, "RenamedController's contentWebView is not connected." },
        { false, false, false, "RenamedController's toolbar is not connected." },
        { true, false, false, "RenamedController's contentOutline is not connected." },
    };
    for (const Case& c : cases) {
        RenamedController renamed;
        renamed.setContentController(contentController);
        renamed.setToolbar(c.toolbar ? &toolbar : nullptr);
        renamed.setContentOutline(c.outline ? &outline : nullptr);
        renamed.setContentWebView(c.webView ? &webView : nullptr);
        EXPECT_EQ(assertionMessage([&] { renamed.awakeFromNib(); }), c.message);
        EXPECT_EQ(renamed.renderCount(), 0u) << c.message;
    }
    controller.setToolbar(nullptr);
    EXPECT_EQ(assertionMessage([&] { controller.awakeFromNib(); }),
        "QorvCSApplicationController's toolbar is not connected.");
}

TEST_F(ApplicationControllerTest, AwakeFromNibWiresTheViewsAndRendersOnce)
{
    controller.setContentPrintView(nullptr);
    EXPECT_EQ(assertionMessage([&] { controller.awakeFromNib(); }), "(no assertion)") << "the print view is optional";
    controller.setContentPrintView(&printView);

    EXPECT_EQ(outline.dataSource, contentController.get());
    EXPECT_EQ(outline.delegate, &controller);
    EXPECT_EQ(outline.calls, (std::vector<FakeOutline::Call> { { "expand", nullptr, true } }))
        << "open from the first paint, not only after a change";
    EXPECT_EQ(outline.sizedToFit, 1);
    EXPECT_EQ(webView.printBackgrounds, true);
    EXPECT_EQ(webView.delegate, &controller);
    EXPECT_EQ(printView.delegate, nullptr) << "the hidden view gets no delegate";
    ASSERT_EQ(webView.loads.size(), 1u);
    EXPECT_EQ(controller.renderCount(), 1u);
    EXPECT_EQ(webView.loads[0], controller.reportHTMLForExport(false));
}

// Broken resources must not leave the window without a report (or the process without a window): the reason takes
// the report's place, is logged once however often the tree changes, and a reload after the mend shows the report.
TEST_F(ApplicationControllerTest, ARenderingFailureShowsItsReasonInPlaceOfTheReportUntilMended)
{
    namespace fs = std::filesystem;
    const fs::path overlay = fs::temp_directory_path() / ("cellsheet-window-" + std::to_string(::getpid()));
    struct Case {
        const char* templates; // the overlay's QorvCSHTMLReport.plist, nullptr for an empty resource folder alone
        const char* reason;
    };
    controller.setContentController(nullptr); // the tree's changes reach only the controller under test
    const Case cases[] = {
        { "<plist><dict><key>top</key>", "malformed HTML templates resource" },
        { nullptr, "missing HTML templates resource" },
    };
    for (const Case& c : cases) {
        fs::remove_all(overlay);
        fs::create_directories(overlay);
        if (c.templates) {
            std::ofstream(overlay / "QorvCSHTMLReport.plist") << c.templates;
            qorv::Bundle::main().setResourceDirectories({ overlay.string(), CELLSHEET_BUILD_RESOURCES });
        } else {
            qorv::Bundle::main().setResourceDirectories({ overlay.string() });
        }
        QorvCSApplicationController broken;
        FakeWebView screen, exported;
        broken.setContentController(contentController);
        broken.setToolbar(&toolbar);
        broken.setContentOutline(&outline);
        broken.setContentWebView(&screen);
        broken.setContentPrintView(&exported);
        qorv::LogCapture log;
        EXPECT_EQ(assertionMessage([&] { broken.awakeFromNib(); }), "(no assertion)") << c.reason;
        ASSERT_EQ(screen.loads.size(), 1u) << c.reason;
        EXPECT_NE(screen.loads[0].find(c.reason), std::string::npos) << screen.loads[0];
        EXPECT_NE(screen.loads[0].find("Reload Report"), std::string::npos) << "the way out is named";
        EXPECT_TRUE(exported.loads.empty()) << "the export view is given a document only to print it";
        EXPECT_NE(broken.renderFailure().find(c.reason), std::string::npos);
        changeNode(*left);
        changeNode(*right);
        qorv::RunLoop::main().runUntil([&] { return !broken.hasPendingUpdate(); }, std::chrono::seconds(5));
        EXPECT_EQ(screen.loads.size(), 1u) << "the same notice is not loaded again";
        EXPECT_EQ(log.lines().size(), 1u) << "logged once";

        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
        broken.refresh();
        EXPECT_TRUE(broken.renderFailure().empty());
        EXPECT_EQ(screen.loads.back(), broken.reportHTMLForExport(false)) << c.reason;
    }
    fs::remove_all(overlay);
}

TEST_F(ApplicationControllerTest, RendersBothViewsFromTheIncludedSections)
{
    controller.awakeFromNib();
    ASSERT_EQ(webView.loads.size(), 1u);
    EXPECT_TRUE(printView.loads.empty()) << "the export view is given a document only to print it";
    EXPECT_EQ(webView.loads[0], controller.reportHTMLForExport(false));
    EXPECT_NE(webView.loads[0].find("Left battery"), std::string::npos);
    EXPECT_NE(controller.reportHTMLForExport(true).find("Right battery"), std::string::npos);

    left->setInclude(false);
    const std::string screen = controller.reportHTMLForExport(false);
    EXPECT_EQ(screen.find("Left battery"), std::string::npos) << "nothing is cached between renderings";
    EXPECT_NE(screen.find("Right battery"), std::string::npos);
}

TEST_F(ApplicationControllerTest, NestedPausesRefreshOnceWhenTheLastEnds)
{
    controller.awakeFromNib();
    controller.pauseUpdates();
    controller.pauseUpdates();
    EXPECT_TRUE(controller.isPaused());
    controller.refresh();
    changeNode(*left);
    EXPECT_EQ(controller.renderCount(), 1u) << "paused: nothing is rendered";

    controller.resumeUpdates();
    EXPECT_EQ(controller.pauseStack(), 1u);
    EXPECT_EQ(controller.renderCount(), 1u) << "one pause still open";

    controller.resumeUpdates();
    EXPECT_FALSE(controller.isPaused());
    EXPECT_EQ(controller.renderCount(), 2u);
    EXPECT_EQ(webView.loads.size(), 2u);
}

TEST_F(ApplicationControllerTest, UnbalancedResumeAssertsAndKeepsTheCount)
{
    controller.awakeFromNib();
    EXPECT_EQ(assertionMessage([&] { controller.resumeUpdates(); }),
        "QorvCSApplicationController attempting to resume already live updates.");
    EXPECT_EQ(controller.pauseStack(), 0u);
    EXPECT_EQ(controller.renderCount(), 1u);

    RenamedController renamed;
    EXPECT_EQ(assertionMessage([&] { renamed.resumeUpdates(); }),
        "RenamedController attempting to resume already live updates.");
}

TEST_F(ApplicationControllerTest, ChangeWhilePausedReloadsTheOutlineButLoadsNothing)
{
    controller.awakeFromNib();
    outline.calls.clear();
    controller.pauseUpdates();
    changeNode(*right);
    const std::vector<FakeOutline::Call> expected { { "reload", right.get(), true }, { "expand", nullptr, true } };
    EXPECT_EQ(outline.calls, expected);
    EXPECT_EQ(webView.loads.size(), 1u);
}

TEST_F(ApplicationControllerTest, ChangeReloadsTheNodeExpandsEverythingAndRenders)
{
    controller.awakeFromNib();
    outline.calls.clear();
    left->setInclude(false);
    changeNode(*group);
    const std::vector<FakeOutline::Call> expected { { "reload", group.get(), true }, { "expand", nullptr, true } };
    EXPECT_EQ(outline.calls, expected) << "the sidebar at once";
    EXPECT_EQ(webView.loads.size(), 1u) << "the report a moment later";
    settle();
    EXPECT_EQ(webView.loads.size(), 2u);

    // A change without a node reloads the whole outline.
    outline.calls.clear();
    left->setInclude(true);
    qorv::NotificationCenter::defaultCenter().post(std::string(QorvCSContentNotificationDidUpdate), root.get());
    ASSERT_FALSE(outline.calls.empty());
    EXPECT_EQ(outline.calls[0], (FakeOutline::Call { "reload", nullptr, true }));
    settle();
    EXPECT_EQ(webView.loads.size(), 3u);

    // A change that alters nothing the report shows loads nothing.
    changeNode(*right);
    settle();
    EXPECT_EQ(webView.loads.size(), 3u);
}

// A flapping cable or a battery that changes every second must not re-render the whole report each time.
TEST_F(ApplicationControllerTest, ChangesArrivingTogetherAreRenderedOnceAndAStreamIsNotHeldBack)
{
    controller.awakeFromNib();
    for (int change = 0; change < 25; ++change) {
        left->setLabel("Left battery, reading " + std::to_string(change));
        changeNode(*left);
    }
    settle();
    EXPECT_EQ(controller.renderCount(), 2u) << "25 changes, one rendering";
    EXPECT_NE(webView.loads.back().find("reading 24"), std::string::npos) << "the last state shown";

    // A reading every 100 ms for 1.6 s: the report still follows, within the limit.
    for (int change = 0; change < 16; ++change) {
        right->setLabel("Right battery, reading " + std::to_string(change));
        changeNode(*right);
        qorv::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(100));
    }
    EXPECT_GE(controller.renderCount(), 3u) << "rendered during the stream";
    EXPECT_LE(controller.renderCount(), 4u);
    settle();
    EXPECT_NE(webView.loads.back().find("Right battery, reading 15"), std::string::npos) << "the last state shown";
}

TEST_F(ApplicationControllerTest, CheckboxChangeArrivesOnTheNextRunLoopPass)
{
    controller.awakeFromNib();
    const QorvCSOutlineColumn include { "include" };
    contentController->setObjectValue(qorv::Value(false), &include, left.get());
    EXPECT_EQ(webView.loads.size(), 1u);
    qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0));
    settle();
    ASSERT_EQ(webView.loads.size(), 2u);
    EXPECT_EQ(webView.loads[1].find("Left battery"), std::string::npos);
}

TEST_F(ApplicationControllerTest, OtherNotificationsFromTheContentControllerAreIgnored)
{
    controller.awakeFromNib();
    outline.calls.clear();
    qorv::NotificationCenter::defaultCenter().post(
        std::string(QorvCSContentNotificationDidUpdate), contentController.get());
    qorv::NotificationCenter::defaultCenter().post(
        "QorvCSContentControllerNotificationWillUpdate", contentController.get());
    EXPECT_TRUE(outline.calls.empty());
    EXPECT_EQ(controller.renderCount(), 1u);
}

TEST_F(ApplicationControllerTest, ScrollPositionIsRestoredByTheFirstLoadAfterARerender)
{
    controller.awakeFromNib();
    EXPECT_FALSE(controller.scrollAfterRefresh()) << "no document yet: nothing captured";
    controller.webViewDidFinishLoad(webView);
    EXPECT_TRUE(webView.scrolls.empty());

    webView.position = QorvCSWebView::Point { 12, 480 };
    left->setInclude(false);
    changeNode(*left);
    settle();
    EXPECT_TRUE(controller.scrollAfterRefresh());
    EXPECT_EQ(controller.scrollAfterRefreshPoint(), (QorvCSWebView::Point { 12, 480 }));
    EXPECT_TRUE(webView.scrolls.empty()) << "the restore waits for the load";

    controller.webViewDidFinishLoad(printView); // the view argument is not examined
    ASSERT_EQ(webView.scrolls.size(), 1u);
    EXPECT_EQ(webView.scrolls[0], (QorvCSWebView::Point { 12, 480 }));
    EXPECT_FALSE(controller.scrollAfterRefresh());

    controller.webViewDidFinishLoad(webView);
    EXPECT_EQ(webView.scrolls.size(), 1u) << "later loads do not scroll";

    // A top-of-document position is a position too.
    webView.position = QorvCSWebView::Point {};
    controller.refresh();
    controller.webViewDidFinishLoad(webView);
    ASSERT_EQ(webView.scrolls.size(), 2u);
    EXPECT_EQ(webView.scrolls[1], (QorvCSWebView::Point { 0, 0 }));
}

TEST_F(ApplicationControllerTest, PausedRenderCapturesNoScrollPosition)
{
    controller.awakeFromNib();
    webView.position = QorvCSWebView::Point { 0, 300 };
    controller.pauseUpdates();
    changeNode(*left);
    EXPECT_FALSE(controller.scrollAfterRefresh());
}

TEST_F(ApplicationControllerTest, LinkPolicy)
{
    struct Case {
        const char* url;
        const char* path;
        QorvCSNavigationPolicy policy;
    };
    const Case cases[] = {
        { "https://example.org/guide/battery.html", "/guide/battery.html", QorvCSNavigationPolicy::Ignore },
        { "https://example.org/index.xhtml", "/index.xhtml", QorvCSNavigationPolicy::Ignore },
        { "https://example.org/manual.pdf", "/manual.pdf", QorvCSNavigationPolicy::Use },
        { "https://example.org/", "/", QorvCSNavigationPolicy::Use },
        { "https://example.org/page.HTML", "/page.HTML", QorvCSNavigationPolicy::Use }, // case-sensitive
        { "https://example.org/page.htm", "/page.htm", QorvCSNavigationPolicy::Use },
        { "cellsheet:screen/3", "screen/3", QorvCSNavigationPolicy::Use }, // the application's own loads
        { "about:blank", "blank", QorvCSNavigationPolicy::Use },
        { "html", "html", QorvCSNavigationPolicy::Ignore },
        { "", "", QorvCSNavigationPolicy::Use },
    };
    std::vector<std::string> expectedOpened;
    for (const Case& c : cases) {
        EXPECT_EQ(controller.decidePolicyForNavigation(webView, c.url, c.path), c.policy) << c.url;
        if (c.policy == QorvCSNavigationPolicy::Ignore)
            expectedOpened.push_back(c.url);
    }
    EXPECT_EQ(workspace.opened, expectedOpened) << "ignored links open in the browser";

    controller.setWorkspace(nullptr);
    EXPECT_EQ(
        controller.decidePolicyForNavigation(webView, "https://a/b.html", "/b.html"), QorvCSNavigationPolicy::Ignore);
}

TEST_F(ApplicationControllerTest, SearchReport)
{
    controller.searchReport(std::nullopt);
    EXPECT_TRUE(webView.searches.empty());
    controller.searchReport(std::string("Cycle Count"));
    controller.searchReport(std::string(""));
    const std::vector<FakeWebView::Search> expected { { "Cycle Count", true, false, true }, { "", true, false, true } };
    EXPECT_EQ(webView.searches, expected);
}

TEST_F(ApplicationControllerTest, ReplacingTheContentControllerMovesTheObservation)
{
    controller.awakeFromNib();
    outline.calls.clear();
    auto replacement = std::make_shared<QorvCSContentController>();
    auto otherRoot = QorvCSContent::rootContent();
    replacement->setRoot(otherRoot);
    controller.setContentController(replacement);
    changeNode(*left);
    EXPECT_TRUE(outline.calls.empty()) << "the old controller is no longer observed";
    changeNode(*otherRoot);
    EXPECT_EQ(outline.calls.size(), 2u);
}

TEST(QorvCSApplicationController, StopsObservingWhenItGoes)
{
    auto& center = qorv::NotificationCenter::defaultCenter();
    auto contentController = std::make_shared<QorvCSContentController>();
    auto root = QorvCSContent::rootContent();
    contentController->setRoot(root);
    const size_t before = center.observerCount();
    {
        QorvCSApplicationController controller;
        controller.setContentController(contentController);
        EXPECT_EQ(center.observerCount(), before + 1);
    }
    EXPECT_EQ(center.observerCount(), before);
    root->postDidChangeNotification(); // reaches no released window controller
}

TEST_F(ApplicationControllerTest, SanitizingMasksEveryRenderingAndTheDebugTree)
{
    auto serial = std::make_shared<SerialLeaf>("serial", "Battery SN-4711 of Ada's ThinkPad");
    group->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { serial }));
    controller.setComputerNameSource([] { return "Ada's ThinkPad"; });
    controller.updateWebView();
    ASSERT_NE(webView.loads.back().find("SN-4711"), std::string::npos);

    const size_t loads = webView.loads.size();
    controller.setSanitizesReport(true);
    ASSERT_EQ(webView.loads.size(), loads + 1); // shown again at once
    const std::string exported = controller.reportHTMLForExport(true);
    for (const std::string* html : { &std::as_const(webView.loads.back()), &exported }) {
        EXPECT_EQ(html->find("SN-4711"), std::string::npos);
        EXPECT_EQ(html->find("ThinkPad"), std::string::npos);
        EXPECT_NE(html->find("Battery [serial 1] of [computer name]"), std::string::npos);
    }
    const std::string tree = qorv::PropertyList::toXML(controller.debugTree());
    EXPECT_EQ(tree.find("SN-4711"), std::string::npos);
    EXPECT_NE(controller.reportJSON("1").find("\"sanitized\": true"), std::string::npos);

    controller.setSanitizesReport(true);
    EXPECT_EQ(webView.loads.size(), loads + 1);
    controller.setSanitizesReport(false);
    EXPECT_NE(webView.loads.back().find("SN-4711"), std::string::npos);
    EXPECT_NE(qorv::PropertyList::toXML(controller.debugTree()).find("SN-4711"), std::string::npos);
}

TEST_F(ApplicationControllerTest, BothRenderingsFromOneBuildAreThoseMadeOneByOne)
{
    // The serial shows in the title and the table.
    auto serial = std::make_shared<SerialLeaf>("serial", "Battery SN-4711");
    serial->reading = "SN-4711 at 12.1 V";
    group->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { left, serial }));
    controller.setComputerNameSource([] { return "Ada's ThinkPad"; });
    for (const bool sanitize : { false, true }) {
        controller.setSanitizesReport(sanitize);
        const auto both = controller.reportHTMLForScreenAndExport();
        EXPECT_EQ(both.screen, controller.reportHTMLForExport(false)) << sanitize;
        EXPECT_EQ(both.exported, controller.reportHTMLForExport(true)) << sanitize;
        EXPECT_NE(both.screen.find("id=\"section-3\""), std::string::npos) << sanitize;
        EXPECT_EQ(both.screen.find("SN-4711") == std::string::npos, sanitize);
    }
}

TEST_F(ApplicationControllerTest, FeedbackSharesOnlyIncludedSectionsSanitisedByDefault)
{
    class SerialLeaf : public TitledLeaf {
    public:
        using TitledLeaf::TitledLeaf;
        void insertDebugValues(qorv::Value::Dictionary& values) override
        {
            values["powerSource"] = qorv::Value::Dictionary { { "Hardware Serial Number", "SN-" + label() } };
        }
    };
    auto kept = std::make_shared<SerialLeaf>("kept", "4711");
    auto unticked = std::make_shared<SerialLeaf>("unticked", "0815");
    group->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { kept, unticked }));
    unticked->setInclude(false);

    for (const bool sanitize : { true, false }) {
        const auto shared = controller.reportToShare(sanitize);
        const std::string tree = qorv::PropertyList::toXML(shared.debugTree);
        EXPECT_EQ(tree.find("unticked"), std::string::npos) << sanitize;
        EXPECT_EQ(tree.find("SN-0815"), std::string::npos) << sanitize;
        EXPECT_NE(tree.find("Batteries"), std::string::npos) << sanitize;
        EXPECT_EQ(tree.find("SN-4711") == std::string::npos, sanitize);
        EXPECT_EQ(shared.html.find("0815"), std::string::npos) << sanitize;
    }
    EXPECT_EQ(controller.reportToShare().debugTree, controller.reportToShare(true).debugTree);
    // Save Debug Information still writes the whole tree.
    EXPECT_NE(qorv::PropertyList::toXML(controller.debugTree()).find("SN-0815"), std::string::npos);
}

TEST_F(ApplicationControllerTest, RemembersUntickedSectionsByIdentifierAcrossTreesAndNewDevices)
{
    controller.setUntickedSections({ "left", "gone" });
    controller.awakeFromNib();
    EXPECT_FALSE(left->include());
    EXPECT_EQ(webView.loads.back().find("Left battery"), std::string::npos);

    // The user ticks it back and unticks the other; a battery replacing the right one arrives ticked.
    const QorvCSOutlineColumn include { "include" };
    contentController->setObjectValue(qorv::Value(true), &include, left.get());
    contentController->setObjectValue(qorv::Value(false), &include, right.get());
    qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0));
    settle();
    EXPECT_EQ(controller.untickedSections(), (std::set<std::string> { "gone", "right" }));

    auto replacement = std::make_shared<TitledLeaf>("other", "Other battery");
    auto returning = std::make_shared<TitledLeaf>("right", "Right battery");
    group->setChildren(
        std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { left, returning, replacement }));
    changeNode(*group);
    settle();
    EXPECT_TRUE(replacement->include());
    EXPECT_TRUE(left->include());
    EXPECT_EQ(webView.loads.back().find("Other battery") != std::string::npos, true);
    EXPECT_EQ(controller.untickedSections(), (std::set<std::string> { "gone", "right" }));
}

TEST_F(ApplicationControllerTest, ActivatingARowScrollsTheReportToItsSectionByACountedId)
{
    controller.awakeFromNib();
    // Group 1, left 2, right 3: the ids count headings and carry no identifier of the devices.
    EXPECT_NE(webView.loads.back().find("id=\"section-3\">Right battery<"), std::string::npos) << webView.loads.back();
    EXPECT_EQ(webView.loads.back().find("id=\"right\""), std::string::npos);
    controller.outlineDidActivateItem(right.get());
    controller.outlineDidActivateItem(group.get());
    EXPECT_EQ(webView.anchors, (std::vector<std::string> { "section-3", "section-1" }));

    // A section left out has no place to scroll to; the others count anew.
    const QorvCSOutlineColumn include { "include" };
    contentController->setObjectValue(qorv::Value(false), &include, left.get());
    qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0));
    settle();
    webView.anchors.clear();
    controller.outlineDidActivateItem(left.get());
    controller.outlineDidActivateItem(right.get());
    EXPECT_EQ(webView.anchors, std::vector<std::string> { "section-2" });
}

TEST_F(ApplicationControllerTest, ASectionAskedForWhileARenderingLoadsIsShownOnceItHasLoaded)
{
    controller.awakeFromNib();
    webView.position = QorvCSWebView::Point { 0, 480 };
    controller.refresh(); // loading: the old position waits to be put back
    controller.outlineDidActivateItem(right.get());
    EXPECT_TRUE(webView.anchors.empty()) << "the load would scroll it away";
    controller.webViewDidFinishLoad(webView);
    EXPECT_EQ(webView.anchors, std::vector<std::string> { "section-3" });
    EXPECT_TRUE(webView.scrolls.empty()) << "the section, not the old position";

    controller.refresh();
    controller.webViewDidFinishLoad(webView);
    EXPECT_EQ(webView.scrolls.size(), 1u) << "a later rendering keeps the reader's place again";
    EXPECT_EQ(webView.anchors.size(), 1u);
}

TEST_F(ApplicationControllerTest, ANewReadingPatchesTheShownTableAndChartAndANewSectionLoadsThePage)
{
    auto battery = std::make_shared<ReadingLeaf>("battery", "Battery");
    root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { group, battery }));
    controller.awakeFromNib();
    ASSERT_EQ(webView.loads.size(), 1u);

    // Each change, then the loads and patches the page has had; a patch replaces one element holding the text.
    struct Step {
        std::string what;
        std::function<void()> change;
        size_t loads, patches;
        size_t elements = 0, index = 0;
        std::string text = "";
    };
    const Step steps[] = {
        { "a new reading", [&] { battery->reading = "12.4 V"; }, 1, 1, 1, 0, "12.4 " },
        { "a new chart", [&] { battery->chartEnds = { 1'800'000'000 }; }, 2, 1 },
        // The history chart is drawn against the current time, so nearly every update redraws it.
        { "a redrawn chart", [&] { battery->chartEnds = { 1'800'000'600 }; }, 2, 2, 2, 1, "Up to 1800000600" },
        { "a changed title", [&] { battery->setLabel("Battery (replaced)"); }, 3, 2 },
    };
    for (const auto& step : steps) {
        step.change();
        changeNode(*battery);
        settle();
        EXPECT_EQ(webView.loads.size(), step.loads) << step.what;
        ASSERT_EQ(webView.patches.size(), step.patches) << step.what;
        if (step.text.empty())
            continue;
        EXPECT_EQ(webView.patches.back().tableCount, step.elements) << step.what;
        ASSERT_EQ(webView.patches.back().replacements.size(), 1u) << step.what;
        EXPECT_EQ(webView.patches.back().replacements[0].index, step.index) << step.what;
        EXPECT_NE(webView.patches.back().replacements[0].html.find(step.text), std::string::npos) << step.what;
    }
}

// A minute's turn moves every history chart: the new reading is patched in before the charts are even drawn, they
// follow in the next turn, and whatever arrives in between, the page ends as a full rendering shows the report.
TEST_F(ApplicationControllerTest, AMinutesTurnPatchesTheReadingBeforeTheChartsAndThePageEndsAsAFullRendering)
{
    struct HeldPrint : QorvCSPrintOperation {
        void run(const QorvCSPrintJob&, bool, Completion completion) override { pending = std::move(completion); }
        void runPageLayout(qorv::Value::Dictionary&) override { }
        Completion pending;
    } printOperation;
    controller.setPrintOperation(&printOperation);
    auto battery = std::make_shared<ReadingLeaf>("battery", "Battery");
    battery->chartEnds = { 1'800'000'000 };
    root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { group, battery }));
    controller.awakeFromNib();
    // A print before: its charts are remembered in print colours too.
    controller.printDocument();
    std::exchange(printOperation.pending, {})(true, "");

    struct Case {
        std::string what;
        std::function<void()> between; // after the reading is patched in, before the charts are drawn
        std::string chartPatched = ""; // the chart the next patch brings, when one does
    };
    const Case cases[] = {
        { "nothing", [] {}, "Up to 1800000060" },
        { "another reading",
            [&] {
                battery->reading = "12.9 V";
                changeNode(*battery);
            },
            "Up to 1800000120" },
        { "a print",
            [&] {
                controller.printDocument();
                EXPECT_NE(printView.loads.back().find("Up to 1800000180"), std::string::npos)
                    << "the new chart printed";
            } },
        { "a full load", [&] { controller.refresh(); } },
        { "a pause", [&] { controller.pauseUpdates(); } },
    };
    int minute = 0;
    for (const auto& c : cases) {
        const size_t patches = webView.patches.size();
        battery->reading = "13." + std::to_string(++minute) + " V";
        battery->chartEnds = { 1'800'000'000 + 60 * minute };
        changeNode(*battery);
        controller.renderChanges();
        ASSERT_EQ(webView.patches.size(), patches + 1) << c.what;
        ASSERT_EQ(webView.patches.back().replacements.size(), 1u) << c.what << ": the reading alone";
        EXPECT_NE(webView.patches.back().replacements[0].html.find(battery->reading.substr(0, 5)), std::string::npos)
            << c.what;
        EXPECT_TRUE(controller.hasPendingUpdate()) << c.what << ": the charts are still to come";

        c.between();
        settle();
        if (!c.chartPatched.empty()) {
            ASSERT_EQ(webView.patches.size(), patches + 2) << c.what;
            EXPECT_NE(webView.patches.back().replacements.back().html.find(c.chartPatched), std::string::npos)
                << c.what;
        }
        if (printOperation.pending)
            std::exchange(printOperation.pending, {})(true, "");
        if (controller.isPaused())
            controller.resumeUpdates();
        EXPECT_EQ(webView.page, controller.reportHTMLForExport(false)) << c.what;
    }
}
