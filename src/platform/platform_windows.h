#pragma once

// Windows-only pieces of the platform layer that the tests reach directly.

#include <string>
#include <string_view>

#include "platform/platform.h"

// The system's own sentence for a Win32 error code (GetLastError()),
// without its line end. Never fails.
std::u16string system_error_text(unsigned long error);

// The state of a file open by handle (a HANDLE), through the handle
// itself: its identity, its size (FileStandardInfo), its LastWriteTime and
// ChangeTime (FileBasicInfo), and symbolic_link for a reparse point that
// names another file, a handle opened with FILE_FLAG_OPEN_REPARSE_POINT
// being the link's own. settled stays false. False when the system does
// not answer.
bool state_of_handle(void* handle, file_state& state);
