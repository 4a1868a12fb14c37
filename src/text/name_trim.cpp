#include "text/name_trim.h"

#include <string_view>

namespace {

bool is_high_surrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code point at text[at], and in length the units it takes.
char32_t code_point_at(wide_view text, std::size_t at, std::size_t& length) {
  length = 1;
  if (is_high_surrogate(text[at]) && at + 1 < text.size() &&
      is_low_surrogate(text[at + 1])) {
    length = 2;
    return 0x10000 + ((static_cast<char32_t>(text[at]) - 0xD800) << 10) +
           (static_cast<char32_t>(text[at + 1]) - 0xDC00);
  }
  return text[at];
}

// A code point that belongs to the character in front of it.
bool attaches_to_previous(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0xFE00 && c <= 0xFE0F) ||
         (c >= 0xE0100 && c <= 0xE01EF) || (c >= 0x1F3FB && c <= 0x1F3FF) ||
         (c >= 0xE0020 && c <= 0xE007F) || c == 0x200D;
}

constexpr char32_t k_zero_width_joiner = 0x200D;

// The bytes of one code point in the room's measure.
std::size_t bytes_of(char32_t c, std::size_t units, const name_room& room) {
  if (!room.utf8) return units;
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  return c < 0x10000 ? 3 : 4;
}

struct measure {
  std::size_t units = 0;
  std::size_t bytes = 0;
};

measure measure_of(wide_view text, const name_room& room) {
  measure total;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 0;
    const char32_t c = code_point_at(text, at, length);
    total.units += length;
    total.bytes += bytes_of(c, length, room);
    at += length;
  }
  return total;
}

bool within(const measure& m, const name_room& room) {
  return m.units <= room.units && (room.bytes == 0 || m.bytes <= room.bytes);
}

}  // namespace

bool fits_room(wide_view name, const name_room& room) {
  return within(measure_of(name, room), room);
}

std::size_t trimmed_length(wide_view before, wide_view base, wide_view after,
                           const name_room& room) {
  const measure fixed_before = measure_of(before, room);
  const measure fixed_after = measure_of(after, room);
  measure used{fixed_before.units + fixed_after.units + 1,
               fixed_before.bytes + fixed_after.bytes + 1};
  if (!within(used, room)) return std::u16string_view::npos;
  // Walks base a character at a time; each place between two characters
  // that may be cut, and that still fits, is the best cut so far.
  std::size_t best = 0;
  char32_t previous = 0;
  for (std::size_t at = 0; at < base.size();) {
    std::size_t length = 0;
    const char32_t c = code_point_at(base, at, length);
    const bool may_cut_before = at == 0 || (!attaches_to_previous(c) &&
                                            previous != k_zero_width_joiner);
    if (may_cut_before) best = at;
    used.units += length;
    used.bytes += bytes_of(c, length, room);
    if (!within(used, room)) return best;
    previous = c;
    at += length;
  }
  // The whole base fits with the mark: the name was not too long after all.
  return base.size();
}

std::size_t character_count(wide_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) {
    std::size_t length = 0;
    code_point_at(text, at, length);
    at += length;
  }
  return count;
}
