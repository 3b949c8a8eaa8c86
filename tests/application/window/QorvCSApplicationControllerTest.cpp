#include "WindowFakes.h"

#include "QorvCSApplicationController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include "AssertionMessage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class TitledLeaf : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    QorvCSReportItemList itemsForReport(QorvCSReport&) override
    {
        return { QorvCSReportTitle::titleWithText(label()) };
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
    EXPECT_EQ(outline.sizedToFit, 1);
    EXPECT_EQ(webView.printBackgrounds, true);
    EXPECT_EQ(webView.delegate, &controller);
    EXPECT_EQ(printView.delegate, nullptr) << "the hidden view gets no delegate";
    ASSERT_EQ(webView.loads.size(), 1u);
    EXPECT_EQ(controller.renderCount(), 1u);
    EXPECT_EQ(webView.loads[0], controller.reportHTMLForExport(false));
}

TEST_F(ApplicationControllerTest, RendersBothViewsFromTheIncludedSections)
{
    controller.awakeFromNib();
    ASSERT_EQ(webView.loads.size(), 1u);
    ASSERT_EQ(printView.loads.size(), 1u);
    EXPECT_EQ(webView.loads[0], controller.reportHTMLForExport(false));
    EXPECT_EQ(printView.loads[0], controller.reportHTMLForExport(true));
    EXPECT_NE(webView.loads[0].find("Left battery"), std::string::npos);
    EXPECT_NE(printView.loads[0].find("Right battery"), std::string::npos);

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
    EXPECT_EQ(printView.loads.size(), 2u);
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
    controller.pauseUpdates();
    changeNode(*right);
    const std::vector<FakeOutline::Call> expected { { "reload", right.get(), true }, { "expand", nullptr, true } };
    EXPECT_EQ(outline.calls, expected);
    EXPECT_EQ(webView.loads.size(), 1u);
    EXPECT_EQ(printView.loads.size(), 1u);
}

TEST_F(ApplicationControllerTest, ChangeReloadsTheNodeExpandsEverythingAndRenders)
{
    controller.awakeFromNib();
    changeNode(*group);
    const std::vector<FakeOutline::Call> expected { { "reload", group.get(), true }, { "expand", nullptr, true } };
    EXPECT_EQ(outline.calls, expected);
    EXPECT_EQ(webView.loads.size(), 2u) << "re-rendered inside the posting call";
    EXPECT_EQ(printView.loads.size(), 2u);

    // A change without a node reloads the whole outline.
    outline.calls.clear();
    qorv::NotificationCenter::defaultCenter().post(std::string(QorvCSContentNotificationDidUpdate), root.get());
    ASSERT_FALSE(outline.calls.empty());
    EXPECT_EQ(outline.calls[0], (FakeOutline::Call { "reload", nullptr, true }));
    EXPECT_EQ(webView.loads.size(), 3u);
}

TEST_F(ApplicationControllerTest, CheckboxChangeArrivesOnTheNextRunLoopPass)
{
    controller.awakeFromNib();
    const QorvCSOutlineColumn include { "include" };
    contentController->setObjectValue(qorv::Value(false), &include, left.get());
    EXPECT_EQ(webView.loads.size(), 1u);
    qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0));
    ASSERT_EQ(webView.loads.size(), 2u);
    EXPECT_EQ(webView.loads[1].find("Left battery"), std::string::npos);
}

TEST_F(ApplicationControllerTest, OtherNotificationsFromTheContentControllerAreIgnored)
{
    controller.awakeFromNib();
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
    changeNode(*left);
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
    // A battery whose serial shows in its title and is stated in its debug values.
    class SerialLeaf : public TitledLeaf {
    public:
        using TitledLeaf::TitledLeaf;
        void insertDebugValues(qorv::Value::Dictionary& values) override
        {
            values["powerSource"] = qorv::Value::Dictionary { { "Hardware Serial Number", "SN-4711" } };
        }
    };
    auto serial = std::make_shared<SerialLeaf>("serial", "Battery SN-4711 of Ada's ThinkPad");
    group->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { serial }));
    controller.setComputerNameSource([] { return "Ada's ThinkPad"; });
    controller.updateWebView();
    ASSERT_NE(webView.loads.back().find("SN-4711"), std::string::npos);

    const size_t loads = webView.loads.size();
    controller.setSanitizesReport(true);
    ASSERT_EQ(webView.loads.size(), loads + 1); // shown again at once
    for (const std::string* html : { &webView.loads.back(), &printView.loads.back() }) {
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
