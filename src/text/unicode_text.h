#pragma once

// UTF-8 and UTF-16 coding of the program's 16-bit wide text. Ill-formed
// input is never dropped: each ill-formed piece becomes U+FFFD.

#include <string>
#include <string_view>

inline constexpr char16_t k_replacement_character = 0xFFFD;

// Appends the UTF-8 bytes decoded to UTF-16; characters outside the Basic
// Multilingual Plane become surrogate pairs. Each maximal ill-formed
// subsequence (truncated, overlong, surrogate, beyond U+10FFFF) becomes one
// U+FFFD. Never fails.
void append_utf8_decoded(std::string_view bytes, std::u16string& text);

// True when bytes hold a character beyond ASCII and every one of them is
// well-formed UTF-8; when cut, the bytes are the start of a longer text and
// a sequence cut short at their end counts as well-formed.
bool looks_like_utf8(std::string_view bytes, bool cut);

// Appends text encoded as UTF-8; a lone surrogate becomes U+FFFD.
void append_utf8_encoded(std::u16string_view text, std::string& bytes);

// Appends text as UTF-16 bytes, little- or big-endian, unit for unit.
void append_utf16_encoded(std::u16string_view text, bool big_endian,
                          std::string& bytes);

// Replaces every surrogate that is not part of a pair with U+FFFD.
void replace_lone_surrogates(std::u16string& text);
