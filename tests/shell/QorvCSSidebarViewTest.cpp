#include "QorvCSSidebarView.h"

#include "QorvCSApplicationController.h"
#include "QorvCSContentController.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// An image whose resource is broken: asking for it raises, as a power source's does. Each test's message is its
// own, since each distinct failure is logged only once per process.
class BrokenImageLeaf : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    const qorv::Image& image() override { qorv::raiseAssertion(message()); }
    static std::string message()
    {
        return "BrokenImageLeaf malformed image resource in "
            + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
};

// The window controller's presentation, noting which sections the user asked to see.
class RecordingPresenter : public QorvCSApplicationController {
public:
    void outlineDidActivateItem(QorvCSContent* item) override { activated.push_back(item ? item->uniqueID() : ""); }
    std::vector<std::string> activated;
};

// A sidebar much shorter than its tree: root → three groups of twenty sections, drawn by the window controller.
class SidebarViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        while (qorv::RunLoop::main().runOnce(std::chrono::milliseconds(0))) { }
        build();
        contentController->setRoot(root);
        view.setDelegate(&presenter);
        view.setDataSource(contentController.get());
        view.expandItem(nullptr, true);
        view.resize(260, 200);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    // Every rebuild makes new nodes with the same identifiers, as the content groups do.
    void build()
    {
        auto groups = std::make_shared<QorvCSContent::Children>();
        for (const char* name : { "computer", "power-sources", "power-adapter" }) {
            auto group = std::make_shared<QorvCSContent>(name, name);
            group->setGroup(true);
            auto children = std::make_shared<QorvCSContent::Children>();
            for (int i = 0; i < 20; ++i)
                children->push_back(std::make_shared<BrokenImageLeaf>(std::string(name) + std::to_string(i), "row"));
            group->setChildren(children);
            groups->push_back(group);
        }
        root->setChildren(groups);
    }

    qorv::LogCapture log; // from the first paint on
    std::shared_ptr<QorvCSContent> root = QorvCSContent::rootContent();
    std::shared_ptr<QorvCSContentController> contentController = std::make_shared<QorvCSContentController>();
    RecordingPresenter presenter;
    QorvCSSidebarView view;
};

} // namespace

TEST_F(SidebarViewTest, AReloadKeepsTheScrollPositionTheFocusAndTheCurrentRow)
{
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(view.hasFocus()) << "the sidebar can be reached from the keyboard";
    QScrollBar* scroll = view.verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    const int middle = scroll->maximum() / 2;
    scroll->setValue(middle);
    const QModelIndex group = view.outlineModel().index(1, 0);
    view.setCurrentIndex(view.outlineModel().index(7, 0, group));

    for (int change = 0; change < 2; ++change) {
        build(); // a new reading: every node replaced
        view.reloadItem(nullptr, true);
        view.expandItem(nullptr, true);
        QTest::qWait(10);
        EXPECT_EQ(scroll->value(), middle) << "change " << change;
        EXPECT_TRUE(view.hasFocus());
        ASSERT_TRUE(view.currentIndex().isValid());
        EXPECT_EQ(view.outlineModel().node(view.currentIndex())->uniqueID(), "power-sources7");
    }
}

TEST_F(SidebarViewTest, ARaisingImageIsLoggedOnceAndTheRowStillShowsItsLabel)
{
    for (int paint = 0; paint < 3; ++paint)
        EXPECT_NO_THROW(view.grab()) << "nothing escapes the paint event";
    const QModelIndex row = view.outlineModel().index(0, 1, view.outlineModel().index(0, 0));
    EXPECT_FALSE(view.outlineModel().data(row, Qt::DecorationRole).isValid()) << "no image";
    EXPECT_EQ(view.outlineModel().data(row, Qt::DisplayRole).toString(), QStringLiteral("row"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find(BrokenImageLeaf::message()), std::string::npos);
}

TEST_F(SidebarViewTest, KeysMoveTheRingTickAndShowSectionsWithoutEverSelecting)
{
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus(Qt::TabFocusReason);
    auto& model = view.outlineModel();
    const QModelIndex computer = model.index(0, 0);
    view.setCurrentIndex(computer);
    const auto currentID = [&] { return model.node(view.currentIndex())->uniqueID(); };

    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(currentID(), "computer1");
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(currentID(), "computer0");
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(currentID(), "computer0") << "sideways keys leave the row alone";

    QorvCSContent* node = model.node(view.currentIndex());
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_FALSE(node->include());
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_TRUE(node->include());

    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Enter);
    EXPECT_EQ(presenter.activated, (std::vector<std::string> { "computer0", "computer" }));
    EXPECT_TRUE(view.selectionModel()->selectedIndexes().isEmpty()) << "selection stays refused";

    // The ring is drawn around the current row only; its right end is past every label and checkbox.
    const QColor ring = view.palette().color(QPalette::Highlight);
    const QImage image = view.viewport()->grab().toImage();
    const auto ringPixels = [&](const QModelIndex& index) {
        const QRect row = view.visualRect(index);
        int count = 0;
        for (int y = row.top(); y <= row.bottom(); ++y)
            for (int x = image.width() - 8; x < image.width(); ++x)
                count += image.pixelColor(x, y) == ring;
        return count;
    };
    EXPECT_GT(ringPixels(computer), 5);
    EXPECT_EQ(ringPixels(model.index(0, 0, computer)), 0);
}

TEST_F(SidebarViewTest, AClickOnALabelShowsItsSectionAndOneOnTheCheckboxOnlyTicks)
{
    auto& model = view.outlineModel();
    const QModelIndex computer = model.index(0, 0);
    const QModelIndex box = model.index(2, QorvCSOutlineModel::IncludeColumn, computer);
    const QModelIndex label = model.index(2, QorvCSOutlineModel::LabelColumn, computer);
    QorvCSContent* node = model.node(box);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(label).center());
    EXPECT_EQ(presenter.activated, std::vector<std::string> { "computer2" });
    EXPECT_TRUE(node->include());

    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.rect = view.visualRect(box);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect check = view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, check.center());
    EXPECT_FALSE(node->include());
    EXPECT_EQ(presenter.activated.size(), 1u);
    EXPECT_TRUE(view.selectionModel()->selectedIndexes().isEmpty());
}
