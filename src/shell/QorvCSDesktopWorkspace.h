#pragma once

#include "QorvCSWorkspace.h"

// The desktop as Qt reaches it: the default browser, the icon theme and the MIME database.
class QorvCSDesktopWorkspace : public QorvCSWorkspace {
public:
    void openURL(const std::string& url) override;
    std::optional<qorv::Image> mailApplicationIcon() const override;
    qorv::Image iconForFileType(const std::string& extension) const override;
};
