#include "QorvApplicationExtrasMenuInsertion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Items by title; "-" is a separator.
struct FakeMenu {
    std::vector<std::string> items;

    std::size_t numberOfItems() const { return items.size(); }
    bool isSeparatorItem(std::size_t index) const { return items.at(index) == "-"; }
    std::string removeItem(std::size_t index)
    {
        std::string item = items.at(index);
        items.erase(items.begin() + long(index));
        return item;
    }
    void insertItem(std::string item, std::size_t index) { items.insert(items.begin() + long(index), item); }
};

using Items = std::vector<std::string>;

} // namespace

TEST(ExtrasMenuInsertion, ExtraItemsGoAboveTheFirstSeparatorInOrder)
{
    struct Case {
        const char* what;
        Items application;
        Items extras;
        Items expected;
    };
    const Case cases[] = {
        { "between", { "X", "-", "Y" }, { "A", "B", "C" }, { "X", "A", "B", "C", "-", "Y" } },
        { "separator first", { "-", "Quit" }, { "A", "B" }, { "A", "B", "-", "Quit" } },
        { "only the first separator", { "X", "-", "Y", "-", "Z" }, { "A" }, { "X", "A", "-", "Y", "-", "Z" } },
        { "no extras", { "X", "-", "Y" }, {}, { "X", "-", "Y" } },
        { "separator last", { "About", "Prefs", "-" }, { "A" }, { "About", "Prefs", "A", "-" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMenu application { c.application };
        FakeMenu extras { c.extras };
        QorvApplicationExtrasInsertExtraMenuItems(application, extras, "QorvApplicationExtras");
        EXPECT_EQ(application.items, c.expected);
        EXPECT_TRUE(extras.items.empty());
    }
}

TEST(ExtrasMenuInsertion, AMenuWithoutSeparatorIsRefusedUntouched)
{
    for (const Items& items : { Items { "X", "Y" }, Items {} }) {
        FakeMenu application { items };
        FakeMenu extras { { "A" } };
        try {
            QorvApplicationExtrasInsertExtraMenuItems(application, extras, "QorvApplicationExtras");
            ADD_FAILURE() << "no assertion";
        } catch (const qorv::AssertionFailure& e) {
            EXPECT_STREQ(e.what(), "QorvApplicationExtras did not find application menu item separator.");
        }
        EXPECT_EQ(application.items, items);
        EXPECT_EQ(extras.items, Items { "A" });
    }
}
