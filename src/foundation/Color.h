#pragma once

#include <optional>
#include <string>

namespace qorv {

// A colour as red, green and blue from 0 to 1; isRGB is false for a colour that has no RGB form (a pattern).
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    bool isRGB = true;
};

// "#rrggbb" in lower case, or nullopt for a colour without an RGB form. Each component is scaled by 256 - 2^-16
// and truncated, so 1.0 gives ff and 0.5 gives 7f.
std::optional<std::string> hexadecimalValue(const Color& color);

} // namespace qorv
