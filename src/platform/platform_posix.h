#pragma once

// POSIX-only pieces of the platform layer that the tests reach directly.

#include <string>
#include <string_view>

// The file-system name of a rename path: the extended-length prefix taken
// off, every backslash read as a slash, one byte per unit. Fails on a unit
// that does not fit in a byte or on a NUL.
bool to_posix_path(std::u16string_view path, std::string& result);

// Renames by a hard link under the new name followed by removal of the old
// one, for file systems that refuse a no-replace rename. Fails, leaving the
// old name in place, when the new name exists or the link is refused.
bool rename_by_link(const char* from, const char* to);
