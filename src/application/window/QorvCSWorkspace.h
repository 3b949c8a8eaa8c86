#pragma once

#include <string>

// The desktop: opening an address in the user's browser.
class QorvCSWorkspace {
public:
    virtual ~QorvCSWorkspace() = default;
    virtual void openURL(const std::string& url) = 0;
};
