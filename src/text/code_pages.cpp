#include "text/code_pages.h"

namespace {

// glibc names each page as Windows defines it (CP932 is Shift JIS with
// Microsoft's extensions, CP950 Big5 with them), not by the standard the
// page extends.
constexpr struct {
  unsigned code_page;
  std::string_view charset;
} k_code_pages[] = {
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},
    {949, "CP949"},   {950, "CP950"},   {1250, "CP1250"},
    {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"},
    {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"}, {k_utf8_code_page, "UTF-8"},
};

}  // namespace

bool is_known_code_page(unsigned code_page) {
  return !charset_of_code_page(code_page).empty();
}

std::string_view charset_of_code_page(unsigned code_page) {
  for (const auto& known : k_code_pages)
    if (known.code_page == code_page) return known.charset;
  return {};
}

std::u16string_view known_code_pages_text() {
  return u"874, 932, 936, 949, 950, 1250 to 1258, or 65001 (UTF-8)";
}

bool parse_code_page(std::u16string_view text, unsigned& code_page) {
  // Five digits hold every known page; more is no page, and never
  // overflows.
  if (text.empty() || text.size() > 5) return false;
  unsigned number = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    number = number * 10 + static_cast<unsigned>(c - u'0');
  }
  if (!is_known_code_page(number)) return false;
  code_page = number;
  return true;
}
