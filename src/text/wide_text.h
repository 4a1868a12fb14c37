#pragma once

// All text inside the program is 16-bit wide text on every platform: what
// the lists hold, the names and paths made from it, and the messages.

#include <string>
#include <string_view>

using wide_text = std::u16string;
using wide_view = std::u16string_view;
