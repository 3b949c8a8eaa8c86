#include "ExportFakes.h"

#include "QorvCSContent.h"

#include <gtest/gtest.h>

namespace {

struct RecordingCell : QorvCSOutlineCell {
    explicit RecordingCell(double h)
        : height(h)
    { }
    void setImage(const qorv::Image& i, double s) override
    {
        image = i;
        side = s;
    }
    double cellHeight() const override { return height; }
    void setStringValue(const std::string& text) override { value = text; }
    double height;
    qorv::Image image { "stale", {} };
    double side = -1;
    std::optional<std::string> value;
};

struct ToolbarItem : QorvCSToolbarItem {
    explicit ToolbarItem(std::string a)
        : name(std::move(a))
    { }
    std::string action() const override { return name; }
    void setImage(const qorv::Image& i) override { image = i; }
    std::string name;
    std::optional<qorv::Image> image;
};

const QorvCSOutlineColumn include { "include" };
const QorvCSOutlineColumn label { "localisedLabel" };

TEST(SidebarPresentation, CellsFollowIncludabilityAndGroupRows)
{
    QorvCSApplicationController controller;
    auto group = QorvCSContent::contentWithUniqueID("g", "Group");
    group->setGroup(true);
    auto placeholder = QorvCSContent::contentWithUniqueID("searching", "Searching");
    placeholder->setCanInclude(false);
    auto node = QorvCSContent::contentWithUniqueID("n", "Node");

    EXPECT_EQ(controller.dataCellForTableColumn(nullptr, group.get()), "localisedLabel");
    EXPECT_EQ(controller.dataCellForTableColumn(&include, node.get()), "include");
    EXPECT_EQ(controller.dataCellForTableColumn(&include, placeholder.get()), "localisedLabel");
    EXPECT_EQ(controller.dataCellForTableColumn(&label, placeholder.get()), "localisedLabel");

    EXPECT_TRUE(controller.shouldTrackCell(&include, node.get()));
    EXPECT_FALSE(controller.shouldTrackCell(&label, node.get()));
    EXPECT_FALSE(controller.shouldTrackCell(&include, placeholder.get()));
    EXPECT_TRUE(controller.isGroupItem(group.get()));
    EXPECT_FALSE(controller.isGroupItem(node.get()));
}

TEST(SidebarPresentation, TheIconIsScaledToTheCellAndAReusedCellLosesItsImage)
{
    QorvCSApplicationController controller;
    auto node = QorvCSContent::contentWithUniqueID("n", "Node");
    node->setImage({ "battery", {} });
    RecordingCell cell(17);
    controller.willDisplayCell(cell, &label, node.get());
    EXPECT_EQ(cell.image.themeName, "battery");
    EXPECT_EQ(cell.side, 16) << "17 × 0.9 = 15.3, rounded up";

    auto plain = QorvCSContent::contentWithUniqueID("p", "Plain");
    controller.willDisplayCell(cell, &label, plain.get());
    EXPECT_TRUE(cell.image.isNull());

    auto group = QorvCSContent::contentWithUniqueID("g", "Group");
    group->setGroup(true);
    group->setImage({ "computer", {} });
    RecordingCell groupCell(22);
    controller.willDisplayCell(groupCell, nullptr, group.get());
    EXPECT_EQ(groupCell.side, 20);
}

TEST(SidebarPresentation, ANodeThatCannotBeIncludedShowsNothingInTheCheckboxColumn)
{
    QorvCSApplicationController controller;
    auto placeholder = QorvCSContent::contentWithUniqueID("searching", "Searching");
    placeholder->setCanInclude(false);
    RecordingCell cell(17);
    controller.willDisplayCell(cell, &include, placeholder.get());
    EXPECT_EQ(cell.value, "");
    EXPECT_TRUE(cell.image.isNull());
}

TEST(SidebarPresentation, ExportButtonsGetTheirIcons)
{
    QorvCSApplicationController controller;
    FakeWorkspace workspace;
    controller.setWorkspace(&workspace);
    ToolbarItem email("exportToEmail:"), pdf("exportToPDF:"), print("print:");
    controller.applyImageToCustomToolbarItems({ &email, &pdf, &print });
    EXPECT_EQ(email.image->themeName, "type-eml") << "no mail program: the message type's icon";
    EXPECT_EQ(pdf.image->themeName, "type-pdf");
    EXPECT_FALSE(print.image.has_value());

    workspace.mailIcon = qorv::Image { "thunderbird", {} };
    ToolbarItem added("exportToEmail:");
    controller.toolbarWillAddItem(added);
    EXPECT_EQ(added.image->themeName, "thunderbird");
}

} // namespace
