#include "text/windows_names.h"

namespace {

constexpr wide_view k_forbidden = u"<>:\"|?*";

char16_t upper(char16_t unit) {
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
}

bool equals_upper(wide_view text, wide_view upper_text) {
  if (text.size() != upper_text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (upper(text[i]) != upper_text[i]) return false;
  return true;
}

// The digits that follow COM and LPT in a device's name: 0 to 9 (0 since
// recent versions of Windows), and the superscripts one to three, which
// Windows reads as digits there.
bool is_device_digit(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || unit == u'\u00B9' ||
         unit == u'\u00B2' || unit == u'\u00B3';
}

// Windows opens the device, not a file, for these names, whatever their
// extension; "CON .txt" too, since trailing spaces fall away. CONIN$ and
// CONOUT$ are the console's input and output.
bool is_reserved_stem(wide_view stem) {
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  for (wide_view device :
       {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
    if (equals_upper(stem, device)) return true;
  if (stem.size() != 4 || !is_device_digit(stem[3])) return false;
  const wide_view kind = stem.substr(0, 3);
  return equals_upper(kind, u"COM") || equals_upper(kind, u"LPT");
}

}  // namespace

bool is_forbidden_in_name(char16_t unit) {
  return (unit >= 0x01 && unit <= 0x1F) ||
         k_forbidden.find(unit) != wide_view::npos;
}

char16_t first_forbidden_character(wide_view text) {
  for (char16_t unit : text)
    if (is_forbidden_in_name(unit)) return unit;
  return 0;
}

void append_safe_name(wide_view text, wide_text& result) {
  for (char16_t unit : text)
    result += is_forbidden_in_name(unit) || unit == u'\\' || unit == u'/'
                  ? u'_'
                  : unit;
}

name_problem check_file_name(wide_view file_name) {
  if (is_reserved_stem(file_name.substr(0, file_name.find(u'.'))))
    return name_problem::reserved;
  if (file_name.size() > k_max_name_units) return name_problem::too_long;
  if (!file_name.empty() &&
      (file_name.back() == u'.' || file_name.back() == u' '))
    return name_problem::trailing_dot_or_space;
  return name_problem::none;
}
