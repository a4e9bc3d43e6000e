#pragma once
// The small text rules of study and design files: keys and words are read
// without regard to case, and blanks around a value are not part of it.

#include <string>
#include <string_view>

namespace velmor::batch {

// The text with ASCII capitals made small; other bytes stay as they are, so
// that a UTF-8 value is never altered.
std::string Lowercase(std::string_view text);

// The text without the blanks, tabs and line ends around it.
std::string_view Trimmed(std::string_view text);

}  // namespace velmor::batch
