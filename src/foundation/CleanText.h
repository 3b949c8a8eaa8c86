#pragma once

#include <string>
#include <string_view>

namespace qorv {

// True when text is valid UTF-8 without control characters other than tab, line feed and carriage return,
// without C1 controls and without the non-characters U+FFFE and U+FFFF: text that XML can hold and that
// cannot steer a terminal.
bool isCleanText(std::string_view text);

// The text with each invalid UTF-8 sequence and each character isCleanText refuses replaced by U+FFFD.
std::string cleanText(std::string_view text);

} // namespace qorv
