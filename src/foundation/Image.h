#pragma once

#include <string>

namespace qorv {

// An image as the core sees it: a name in the desktop's icon theme, tried first, and a file (SVG or PNG) used
// when the theme has no such icon. The shell turns it into pixels.
struct Image {
    std::string themeName;
    std::string path;

    bool isNull() const { return themeName.empty() && path.empty(); }
    bool operator==(const Image&) const = default;
};

} // namespace qorv
