#pragma once
// Texts from files and the command line are echoed in messages on a terminal.
// A control character in them could move the cursor, retitle the window or
// worse, so they are shown escaped.

#include <string>
#include <string_view>

namespace velmor::batch {

// The text with every control character (C0, DEL, and the C1 range in UTF-8)
// and every byte that is not part of valid UTF-8 written as \xHH; a backslash
// stays as it is. Printable text, UTF-8 included, is returned unchanged.
std::string Printable(std::string_view text);

}  // namespace velmor::batch
