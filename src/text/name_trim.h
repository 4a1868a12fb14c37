#pragma once

// Where to cut a file name that its folder cannot hold (-t): the rule alone,
// over text, so that a preview, a run and -r cut every name the same way.

#include <cstddef>

#include "text/wide_text.h"
#include "text/windows_names.h"

// What a new name must fit: Windows' units on every build, and where the
// folder's file system counts bytes, its limit in the bytes of the name's
// form (UTF-8, or one byte a unit for the names of an 8-bit list).
struct name_room {
  std::size_t units = k_max_name_units;
  std::size_t bytes = 0;  // no limit in bytes
  bool utf8 = true;
};

// Whether name fits the room.
bool fits_room(wide_view name, const name_room& room);

// The mark that ends a shortened base name.
inline constexpr char16_t k_trim_mark = u'~';

// How many units of base to keep so that before, the kept start of base,
// the mark and after make the longest name the room holds. The cut falls
// between whole characters: never inside a surrogate pair, and never
// before a mark that belongs to the character in front of it (the
// combining marks U+0300 to U+036F, U+1AB0 to U+1AFF, U+1DC0 to U+1DFF,
// U+20D0 to U+20FF and U+FE20 to U+FE2F; the variation selectors U+FE00 to
// U+FE0F and U+E0100 to U+E01EF; the emoji skin tones U+1F3FB to U+1F3FF;
// the tags U+E0020 to U+E007F), nor on either side of a zero-width joiner
// U+200D. Returns npos when not even before, the mark and after fit.
std::size_t trimmed_length(wide_view before, wide_view base, wide_view after,
                           const name_room& room);

// The characters (code points) of text, a surrogate pair counting one.
std::size_t character_count(wide_view text);
