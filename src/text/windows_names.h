#pragma once

// The names Windows can hold, checked the same way on every build, so that
// an export list gives the same outcomes on Linux as on Windows, and in a
// preview as in a run. Pure text work.

#include "text/wide_text.h"

// The longest file name NTFS holds, in UTF-16 units.
inline constexpr std::size_t k_max_name_units = 255;
// The longest path the extended-length form reaches, in UTF-16 units.
inline constexpr std::size_t k_max_path_units = 32767;
// The longest path most programs and Explorer open (MAX_PATH less its NUL).
inline constexpr std::size_t k_classic_path_limit = 259;

// True for < > : " | ? * and U+0001 to U+001F, which no Windows file name
// holds (a ':' would even select an alternate data stream on NTFS).
bool is_forbidden_in_name(char16_t unit);

// The first character of text that is_forbidden_in_name refuses, or 0 when
// text holds none.
char16_t first_forbidden_character(wide_view text);

// Appends text with every forbidden character, '\' and '/' replaced by '_'.
void append_safe_name(wide_view text, wide_text& result);

enum class name_problem { none, reserved, too_long, trailing_dot_or_space };

// What is wrong with file_name (no folder, no ':stream' suffix) as a
// Windows name: its part before the first dot, less trailing spaces, is a
// device name Windows reserves (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to
// COM9 and COM¹ to COM³, LPT0 to LPT9 and LPT¹ to LPT³, in any case), or it
// is longer than k_max_name_units, or it ends in a period or a space, which
// Windows trims from every name it is given, so that Explorer and most
// programs cannot open or remove such a file.
name_problem check_file_name(wide_view file_name);
