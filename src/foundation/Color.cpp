#include "Color.h"

#include "Format.h"

#include <algorithm>
#include <cmath>

namespace qorv {

std::optional<std::string> hexadecimalValue(const Color& color)
{
    if (!color.isRGB)
        return std::nullopt;
    auto component = [](double c) {
        if (!std::isfinite(c))
            c = 0;
        return static_cast<int>(std::clamp(c, 0.0, 1.0) * 255.99998474121094);
    };
    return format("#%02x%02x%02x", component(color.red), component(color.green), component(color.blue));
}

} // namespace qorv
