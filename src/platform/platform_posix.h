#pragma once

// POSIX-only pieces of the platform layer that the tests reach directly.

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/platform.h"

// The file-system name of a rename path: the extended-length prefix taken
// off, every backslash read as a slash, one byte per unit or UTF-8. Fails
// on a NUL, and on a unit above 255 in 8-bit form.
bool to_posix_path(std::u16string_view path, name_bytes form,
                   std::string& result);

// A name given on the command line, or made from one, as the bytes it
// was: command-line text is read as UTF-8, each byte that is no UTF-8
// carried as itself (see unreadable_byte). Fails on a NUL.
bool to_bytes(std::u16string_view text, std::string& result);

// Renames by a hard link under the new name followed by removal of the old
// one, for file systems that refuse a no-replace rename; relative names are
// taken against folder (a descriptor, or AT_FDCWD). Fails, leaving the old
// name in place, when the new name exists or the link is refused; errno
// then tells why.
bool link_and_unlink(int folder, const char* from, const char* to);

// The identity and version stat gave, symbolic_link set for a link's own
// stat (lstat) and settled left false. Never fails.
file_state state_of_stat(const struct stat& info);
