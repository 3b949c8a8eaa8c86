#pragma once

#include "foundation/Assert.h"

#include <cstddef>
#include <string_view>

// Moves the extra items into the application menu, just above its first separator, keeping their order; the extra
// menu is left empty. Menu is any menu type with
//   std::size_t numberOfItems() const;  bool isSeparatorItem(std::size_t index) const;
//   Item removeItem(std::size_t index);  void insertItem(Item item, std::size_t index);
// (insertion moves the items at and after index down by one). Fails "%@ did not find application menu item
// separator." when the application menu has none, with className in place of %@.
template <typename Menu>
void QorvApplicationExtrasInsertExtraMenuItems(Menu& applicationMenu, Menu& extraMenuItems, std::string_view className)
{
    long separatorIndex = -1;
    for (std::size_t i = 0; i < applicationMenu.numberOfItems(); ++i) {
        if (applicationMenu.isSeparatorItem(i)) {
            separatorIndex = static_cast<long>(i);
            break;
        }
    }
    QorvAssert(separatorIndex != -1, "%@ did not find application menu item separator.", className);
    QorvAssert(separatorIndex >= 0, "%@ menu item separator index is out of range.", className);
    // Last to first, each at the same index: they end up in their original order.
    for (std::size_t count = extraMenuItems.numberOfItems(); count > 0; --count) {
        auto item = extraMenuItems.removeItem(count - 1);
        applicationMenu.insertItem(std::move(item), static_cast<std::size_t>(separatorIndex));
    }
}
