#pragma once

#include "foundation/Image.h"

#include <string>
#include <vector>

// A toolbar item as the controller sees it: the action it sends and its image.
class QorvCSToolbarItem {
public:
    virtual ~QorvCSToolbarItem() = default;
    virtual std::string action() const = 0;
    virtual void setImage(const qorv::Image& image) = 0;
};

class QorvCSToolbar {
public:
    virtual ~QorvCSToolbar() = default;
    virtual std::vector<QorvCSToolbarItem*> items() = 0;
};
