#pragma once

// The Windows code pages an 8-bit list may be read in with -e: the ANSI
// code pages Windows gives its machines, and 65001 for UTF-8 without a
// byte-order mark.

#include <string_view>

inline constexpr unsigned k_utf8_code_page = 65001;

// Whether fldren reads lists in that code page.
bool is_known_code_page(unsigned code_page);

// The name glibc's iconv gives the code page ("CP1251"); empty for one
// that is not known.
std::string_view charset_of_code_page(unsigned code_page);

// The known code pages as the examiner reads them: "874, 932, 936, ...".
std::u16string_view known_code_pages_text();

// The code page a decimal number names (digits only, no sign, no space);
// false when text is none or names no known code page.
bool parse_code_page(std::u16string_view text, unsigned& code_page);
