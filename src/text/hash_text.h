#pragma once

// Hash values as an export list holds them: hex digits whose count tells
// the algorithm. Pure text work, so that both builds test the same rules.

#include <cstddef>
#include <string>
#include <string_view>

#include "text/wide_text.h"

enum class hash_kind { none, md5, sha1, sha256 };

// The number of hex digits of a digest of kind: 32, 40 or 64; 0 for none.
std::size_t hex_length_of(hash_kind kind);

// The kind of hash value holds, told by its number of digits, once the
// ASCII spaces at either end are taken off: lists pad their columns with
// them, and no digit is lost by it. Digits are 0-9, a-f and A-F only;
// anything else (another space or blank, "0x", a digit of another script)
// makes it none, as does any other length. Never fails.
hash_kind hash_kind_of_hex(wide_view value);

// True when listed, a value of a list, holds the digest computed, hex
// digits in either case: listed has a kind (as hash_kind_of_hex reads it),
// and the same digits in the same order as computed. An empty or
// malformed value never matches, whatever computed is. Never fails.
bool hex_digest_matches(std::string_view computed, wide_view listed);

// Puts the bytes of a digest, count of them, in hex as lowercase digits,
// two a byte, in hex. Never fails.
void lower_hex_of(const unsigned char* bytes, std::size_t count,
                  std::string& hex);
