#pragma once

// UTF-8 and UTF-16 coding of the program's 16-bit wide text. Ill-formed
// input is never dropped, nor taken for a character: each byte that could
// not be read is carried as a lone surrogate (see unreadable_byte), which no
// character is, and is written back as that very byte.

#include <string>
#include <string_view>

inline constexpr char16_t k_replacement_character = 0xFFFD;

// The unit that carries a byte that could not be read as text: U+DC00 plus
// the byte. A UTF-8 text's such bytes are 0x80 or more (U+DC80 to U+DCFF).
char16_t unreadable_byte(unsigned char byte);

// True for U+DC80 to U+DCFF, a byte of 0x80 or more that was not UTF-8,
// when it stands alone (the caller checks that it is no pair's half).
bool is_unreadable_byte(char16_t unit);

// True when text holds a surrogate that is not half of a pair: text that
// could not be read, from a UTF-8 or UTF-16 file alike.
bool holds_lone_surrogate(std::u16string_view text);

// Appends the UTF-8 bytes decoded to UTF-16; characters outside the Basic
// Multilingual Plane become surrogate pairs. Each byte of an ill-formed
// sequence (truncated, overlong, surrogate, beyond U+10FFFF) becomes
// unreadable_byte of it. Never fails.
void append_utf8_decoded(std::string_view bytes, std::u16string& text);

// True when bytes hold a character beyond ASCII and every one of them is
// well-formed UTF-8; when cut, the bytes are the start of a longer text and
// a sequence cut short at their end counts as well-formed.
bool looks_like_utf8(std::string_view bytes, bool cut);

// Appends text encoded as UTF-8; a lone U+DC80 to U+DCFF becomes the byte it
// carries, any other lone surrogate U+FFFD.
void append_utf8_encoded(std::u16string_view text, std::string& bytes);

// How many units of text, from at on, make a piece of at most most units
// that does not end between the halves of a surrogate pair (a lone half
// may end it). At least one unit when any remain. Never fails.
std::size_t whole_piece(std::u16string_view text, std::size_t at,
                        std::size_t most);

// The length of text encoded as append_utf8_encoded encodes it, without
// encoding it. Never fails.
std::size_t utf8_length(std::u16string_view text);

// Appends text as UTF-16 bytes, little- or big-endian, unit for unit.
void append_utf16_encoded(std::u16string_view text, bool big_endian,
                          std::string& bytes);
