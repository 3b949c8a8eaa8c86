#pragma once

#include "foundation/Image.h"

#include <optional>
#include <string>

// The desktop: opening addresses in the user's browser, and the icons of programs and file types.
class QorvCSWorkspace {
public:
    virtual ~QorvCSWorkspace() = default;
    virtual void openURL(const std::string& url) = 0;
    // The icon of the user's mail program; nullopt when there is none.
    virtual std::optional<qorv::Image> mailApplicationIcon() const = 0;
    // The icon of documents with this extension ("pdf", "eml").
    virtual qorv::Image iconForFileType(const std::string& extension) const = 0;
};
