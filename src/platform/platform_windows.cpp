// The platform services on the Windows C runtime and Win32 calls. wchar_t
// is 16 bits here, so the program's wide text is handed over unit for unit.
//
// In this file, in order, each division opening with a "// ---- " line:
//   Names and text forms: to_wide, to_wide_long (extended-length form),
//     resolve_full_path
//   Files: open_for_reading, open_for_writing, remove_file, empty_file,
//     cut_file, regular_file_length, write_file_at, flush_to_disk
//   Line end, 8-bit text, seeking: decode_code_page, code_page_readable,
//     system_code_page, decode_8bit,
//     append_8bit_encoded, seek_file
//   Identity: identity_of_handle (the 128-bit file ID), state_of_handle,
//     identity_of_name, identity_of_file
//   Path style, command line, current folder: native_path_style,
//     command_line_encoding, command_text_in_form, current_folder
//   Error text: error_text, the rename's tries and pause, system_error_text,
//     last_error_text
//   Rename without replacing: rename_no_replace (MoveFileExW, tried again
//     while held), rename_by_link (none here), name_exists_text
//   Looking at names: kind_of_name, read_tunnel_settings, may_rename_in
//     (always yes),
//     identity_of_rename_path,
//     state_of_rename_path
//   Limits of folders: limits_of_folder (the Windows rules only),
//     system_length, reaches_system_as_utf8
//   Names as Windows compares them: list_folder (none here),
//     upper_case_as_windows
//   Creation times, same file, removing a name: creation_time_of,
//     set_creation_time, same_file_named, remove_name
//   Console: write_console, console_is_window, console_is_terminal,
//     input_is_terminal, write_console_window, console_columns,
//     clear_screen, wait_for_key
//   Interrupts and exit: catch_interrupts, interrupted, exit_process
//   User, computer, time: user_name, computer_name, utc_time_now

#include "platform/platform_windows.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "text/path_forms.h"
#include "text/unicode_text.h"

// ---- Names and text forms ----

namespace {

// The runtime takes NUL-terminated names: one holding a NUL would be cut
// short and name another file, so it is refused.
bool to_wide(std::u16string_view text, std::wstring& result) {
  result.assign(text.begin(), text.end());
  return result.find(L'\0') == std::wstring::npos;
}

// A full path given on the command line, in the form no length limit binds:
// the manifest's longPathAware holds only where a policy also allows it.
bool to_wide_long(std::u16string_view path, std::wstring& result) {
  return to_wide(extended_form(path), result);
}

}  // namespace

bool resolve_full_path(std::u16string_view name, std::size_t limit,
                       std::u16string& result) {
  // The runtime resolves an empty name to the current directory, which
  // would then be opened in place of a file never named.
  std::wstring wide_name;
  if (name.empty() || !to_wide(name, wide_name)) return false;
  std::vector<wchar_t> buffer(limit);
  if (_wfullpath(buffer.data(), wide_name.c_str(), limit) == nullptr)
    return false;
  const wchar_t* resolved = buffer.data();
  result.assign(resolved, resolved + std::wcslen(resolved));
  return true;
}

// ---- Files ----

std::FILE* open_for_reading(const std::u16string& path) {
  // Bytes, not text mode: text mode would end the file at a 0x1A byte.
  std::wstring wide_path;
  SetLastError(0);
  errno = 0;
  if (path.empty() || !to_wide_long(path, wide_path)) return nullptr;
  return _wfopen(wide_path.c_str(), L"rb");
}

std::FILE* open_for_writing(const std::u16string& path, bool& created) {
  std::wstring wide_path;
  created = false;
  SetLastError(0);
  errno = 0;
  if (path.empty() || !to_wide_long(path, wide_path)) return nullptr;
  // Bytes: the report may be UTF-16, whose bytes text mode would mangle;
  // line ends are written as text_line_end() gives them. Readers may look
  // at the file while the run goes on.
  int descriptor = -1;
  const auto open_with = [&](int flags) {
    return _wsopen_s(&descriptor, wide_path.c_str(),
                     _O_RDWR | _O_BINARY | flags, _SH_DENYWR,
                     _S_IREAD | _S_IWRITE);
  };
  errno_t error = open_with(_O_CREAT | _O_EXCL);
  created = error == 0;
  if (error == EEXIST) error = open_with(0);
  // Gone again between the two opens: made by the third, but not claimed.
  if (error == ENOENT) error = open_with(_O_CREAT);
  if (error != 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "r+b");
  if (file == nullptr) _close(descriptor);
  return file;
}

bool remove_file(const std::u16string& path) {
  std::wstring wide_path;
  return !path.empty() && to_wide_long(path, wide_path) &&
         DeleteFileW(wide_path.c_str()) != 0;
}

bool empty_file(std::FILE* file) { return _chsize_s(_fileno(file), 0) == 0; }

bool cut_file(std::FILE* file, std::int64_t length) {
  return _chsize_s(_fileno(file), length) == 0;
}

bool regular_file_length(std::FILE* file, std::int64_t& length) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  LARGE_INTEGER size;
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileSizeEx(handle, &size))
    return false;
  length = size.QuadPart;
  return true;
}

namespace {

HANDLE handle_of(std::FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

}  // namespace

bool write_file_at(std::FILE* file, std::int64_t offset,
                   std::string_view bytes) {
  // A synchronous handle given an OVERLAPPED writes at its offset and
  // returns when the write is done.
  SetLastError(0);
  const HANDLE handle = handle_of(file);
  if (handle == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    at.OffsetHigh =
        static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), chunk, &written, &at) || written == 0)
      return false;
    bytes.remove_prefix(written);
    offset += written;
  }
  return true;
}

bool flush_to_disk(std::FILE* file) {
  const HANDLE handle = handle_of(file);
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (FlushFileBuffers(handle)) return true;
  // The NUL device and pipes have no disk behind them.
  const DWORD error = GetLastError();
  return error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_HANDLE ||
         error == ERROR_NOT_SUPPORTED;
}

// ---- Line end, 8-bit text, seeking ----

std::u16string_view text_line_end() { return u"\r\n"; }

namespace {

// Appends bytes of code_page as wide text; false, appending nothing, when
// a byte is no text there.
bool decode_strictly(unsigned int code_page, const char* bytes, int size,
                     std::u16string& text) {
  const int units = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes,
                                        size, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes, size, wide.data(),
                      units);
  text.append(wide.begin(), wide.end());
  return true;
}

// Appends text (no unit of it a byte that could not be read) in the ANSI
// code page; a character the code page lacks becomes "?", never a
// look-alike.
void encode_ansi(std::u16string_view text, std::string& bytes) {
  if (text.empty()) return;
  const std::wstring wide(text.begin(), text.end());
  const int size = static_cast<int>(wide.size());
  const bool utf8_code_page = GetACP() == CP_UTF8;
  const DWORD flags = utf8_code_page ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = utf8_code_page ? nullptr : "?";
  const int needed = WideCharToMultiByte(CP_ACP, flags, wide.data(), size,
                                         nullptr, 0, fallback, nullptr);
  if (needed <= 0) {
    bytes.append(text.size(), '?');
    return;
  }
  const std::size_t start = bytes.size();
  bytes.resize(start + static_cast<std::size_t>(needed));
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &bytes[start], needed,
                      fallback, nullptr);
}

}  // namespace

void decode_code_page(unsigned code_page, std::string_view bytes,
                      std::u16string& text) {
  if (bytes.empty()) return;
  if (decode_strictly(code_page, bytes.data(), static_cast<int>(bytes.size()),
                      text))
    return;
  // Some byte is no text in the code page. Without MB_ERR_INVALID_CHARS
  // Windows would put the code page's default character there (in code
  // page 932 "81 7F" became U+30FB), a name the list does not hold. So a
  // character at a time, a lead byte with its trail, and each bad byte
  // carried as itself, which the rules refuse and the output file gives
  // back.
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const int length =
        IsDBCSLeadByteEx(code_page, lead) && at + 1 < bytes.size() ? 2 : 1;
    if (decode_strictly(code_page, bytes.data() + at, length, text)) {
      at += static_cast<std::size_t>(length);
    } else {
      text.push_back(unreadable_byte(lead));
      ++at;
    }
  }
}

bool code_page_readable(unsigned code_page) {
  return IsValidCodePage(code_page) != 0;
}

unsigned system_code_page() { return GetACP(); }

void decode_8bit(std::string_view bytes, std::u16string& text) {
  // The suite writes its 8-bit lists in the ANSI code page; reading them
  // through it finds names with a typographic apostrophe or a euro sign.
  decode_code_page(CP_ACP, bytes, text);
}

void append_8bit_encoded(std::u16string_view text, std::string& bytes) {
  // Bytes that could not be read go back as themselves, between the runs
  // of text around them.
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (!is_unreadable_byte(text[at])) continue;
    encode_ansi(text.substr(start, at - start), bytes);
    bytes.push_back(static_cast<char>(text[at] & 0xFF));
    start = at + 1;
  }
  encode_ansi(text.substr(start), bytes);
}

bool seek_file(std::FILE* file, std::int64_t offset) {
  return _fseeki64(file, offset, SEEK_SET) == 0;
}

// ---- Identity ----

namespace {

// Opens a name only to ask the system about it (or to set its times):
// shared with every other use, so that no program holding the file is in
// the way, a folder too (backup semantics), and a final link followed only
// when follow_link is set.
HANDLE open_to_ask(const wchar_t* path, DWORD access, bool follow_link) {
  return CreateFileW(path, access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS |
                         (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                     nullptr);
}

bool identity_of_handle(HANDLE handle, file_identity& identity) {
  if (handle == INVALID_HANDLE_VALUE) return false;
  // The 128-bit file ID where the file system gives one (ReFS reuses
  // 64-bit indexes); the 64-bit index where it does not.
  FILE_ID_INFO id_info;
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &id_info,
                                   sizeof id_info)) {
    std::uint64_t halves[2] = {0, 0};
    static_assert(sizeof halves == sizeof id_info.FileId.Identifier);
    std::memcpy(halves, id_info.FileId.Identifier, sizeof halves);
    if (is_known_file_id(halves[0], halves[1], true)) {
      identity.volume = id_info.VolumeSerialNumber;
      identity.index = halves[0];
      identity.index_high = halves[1];
      return true;
    }
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return false;
  const std::uint64_t index =
      information.nFileIndexLow |
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32);
  // A share without IDs would make every file one file: the identity is
  // then unknown, and every use of it does without.
  identity = file_identity{};
  if (is_known_file_id(index, 0, false)) {
    identity.volume = information.dwVolumeSerialNumber;
    identity.index = index;
  }
  return true;
}

}  // namespace

bool state_of_handle(void* handle, file_state& state) {
  FILE_BASIC_INFO basic;
  FILE_STANDARD_INFO standard;
  if (!identity_of_handle(handle, state.identity) ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic,
                                    sizeof basic) ||
      !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard,
                                    sizeof standard))
    return false;
  state.version.size = standard.EndOfFile.QuadPart;
  state.version.modified = basic.LastWriteTime.QuadPart;
  state.version.changed = basic.ChangeTime.QuadPart;
  state.settled = false;
  state.symbolic_link = false;
  if ((basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A name surrogate (a symbolic link, a junction, a WSL link) stands for
    // another file; other reparse points (deduplicated, cloud, compressed
    // files) hold their own contents. A tag the system will not tell is
    // taken for a link: better refused than vouched for.
    FILE_ATTRIBUTE_TAG_INFO tag;
    state.symbolic_link = !GetFileInformationByHandleEx(
                              handle, FileAttributeTagInfo, &tag, sizeof tag) ||
                          IsReparseTagNameSurrogate(tag.ReparseTag);
  }
  return true;
}

bool identity_of_name(const std::u16string& path, file_identity& identity) {
  // Opened for no access at all: enough to ask, and allowed even when
  // another program holds the file open. Backup semantics open a directory
  // too; a symbolic link is followed to the file it names.
  std::wstring wide_path;
  if (path.empty() || !to_wide_long(path, wide_path)) return false;
  const HANDLE handle = open_to_ask(wide_path.c_str(), 0, true);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = identity_of_handle(handle, identity);
  CloseHandle(handle);
  return known;
}

bool identity_of_file(std::FILE* file, file_identity& identity) {
  return identity_of_handle(handle_of(file), identity);
}

// ---- Path style, command line, current folder ----

path_style native_path_style() { return path_style::windows; }

text_encoding command_line_encoding() { return text_encoding::eight_bit; }

std::u16string command_text_in_form(std::u16string_view text, name_bytes) {
  // Windows names are wide text whatever the list's encoding.
  return std::u16string(text);
}

bool current_folder(std::u16string& folder) {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return false;
  std::wstring buffer(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
  if (length == 0 || length >= needed) return false;
  folder.assign(buffer.begin(), buffer.begin() + length);
  return true;
}

// ---- Error text ----

namespace {

// The system's own sentence for an error, without its line end.
std::u16string error_text(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string result;
  if (length > 0 && text != nullptr) result.assign(text, text + length);
  if (text != nullptr) LocalFree(text);
  while (!result.empty() && (result.back() == u'\r' || result.back() == u'\n' ||
                             result.back() == u' '))
    result.pop_back();
  if (result.empty()) {
    const std::string code = "Windows error " + std::to_string(error);
    result.assign(code.begin(), code.end());
  }
  return result;
}

constexpr int k_rename_tries = 6;
constexpr DWORD k_rename_pause_ms = 200;

}  // namespace

std::u16string system_error_text(unsigned long error) {
  return error_text(error);
}

std::u16string last_error_text() {
  // The C runtime's calls leave the system's own code behind them, and
  // its sentence says more than the runtime's errno does.
  const DWORD error = GetLastError();
  if (error != 0) return error_text(error);
  if (errno == 0) return {};
  std::u16string text;
  decode_8bit(std::strerror(errno), text);
  return text;
}

// ---- Rename without replacing ----

rename_outcome rename_no_replace(const std::u16string& from,
                                 const std::u16string& to, name_bytes,
                                 std::u16string& reason, bool wait_when_held) {
  std::wstring from_wide;
  std::wstring to_wide_;
  if (!to_wide(from, from_wide) || !to_wide(to, to_wide_)) {
    reason = error_text(ERROR_INVALID_NAME);
    return rename_outcome::failed;
  }
  DWORD error = ERROR_SUCCESS;
  const int tries = wait_when_held ? k_rename_tries : 1;
  for (int attempt = 0; attempt < tries; ++attempt) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the new name
    // exists: it never replaces.
    if (MoveFileExW(from_wide.c_str(), to_wide_.c_str(), 0))
      return rename_outcome::renamed;
    error = GetLastError();
    // Virus scanners and indexers open freshly exported files for a
    // moment; such a refusal passes.
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)
      break;
    if (attempt + 1 < tries) Sleep(k_rename_pause_ms);
  }
  const bool held =
      error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
  // Windows answers an existing name with ERROR_ALREADY_EXISTS, Wine with
  // ERROR_FILE_EXISTS; one sentence for both keeps a preview's words the
  // run's.
  if (error == ERROR_FILE_EXISTS) error = ERROR_ALREADY_EXISTS;
  reason = error_text(error);
  return held ? rename_outcome::held : rename_outcome::failed;
}

bool rename_by_link(const std::u16string&, const std::u16string&, name_bytes,
                    std::u16string& reason) {
  // MoveFileExW never replaces on every file system Windows has.
  reason = error_text(ERROR_NOT_SUPPORTED);
  return false;
}

std::u16string name_exists_text() { return error_text(ERROR_ALREADY_EXISTS); }

// ---- Looking at names ----

namespace {

// The attributes of a rename path, or INVALID_FILE_ATTRIBUTES with the
// error in error.
DWORD attributes_of(std::u16string_view path, DWORD& error) {
  std::wstring wide_path;
  if (!to_wide(path, wide_path)) {
    error = ERROR_INVALID_NAME;
    return INVALID_FILE_ATTRIBUTES;
  }
  const DWORD attributes = GetFileAttributesW(wide_path.c_str());
  error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
  return attributes;
}

// After a folder of the path was not found: reason names the topmost
// folder of the path that does not exist (a missing drive or share too).
name_kind no_folder(const std::u16string& path, std::u16string& reason) {
  std::u16string_view missing;
  for (std::u16string_view folder = parent_folder(path_style::windows, path);
       !folder.empty(); folder = parent_folder(path_style::windows, folder)) {
    DWORD error = 0;
    const DWORD attributes = attributes_of(folder, error);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) break;
      reason = error_text(ERROR_DIRECTORY);
      return name_kind::unknown;
    }
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
        error != ERROR_BAD_NETPATH && error != ERROR_BAD_NET_NAME &&
        error != ERROR_INVALID_DRIVE) {
      reason = error_text(error);
      return name_kind::unknown;
    }
    missing = folder;
  }
  if (missing.empty()) {
    reason = error_text(ERROR_PATH_NOT_FOUND);
    return name_kind::unknown;
  }
  reason = u"The folder " + std::u16string(missing) + u" does not exist";
  return name_kind::no_folder;
}

}  // namespace

namespace {

// The last name of the file that path opens, as its folder holds it (its
// case; the long name of an 8.3 alias); stored is left as it is when the
// system does not tell.
void stored_name_of(const std::wstring& path, std::u16string& stored) {
  const HANDLE file = open_to_ask(path.c_str(), FILE_READ_ATTRIBUTES, false);
  if (file == INVALID_HANDLE_VALUE) return;
  std::vector<wchar_t> final_path(MAX_PATH);
  DWORD length = 0;
  for (int tries = 0; tries < 2; ++tries) {
    length = GetFinalPathNameByHandleW(file, final_path.data(),
                                       static_cast<DWORD>(final_path.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_NT);
    if (length < final_path.size()) break;
    final_path.resize(length + 1);
  }
  CloseHandle(file);
  if (length == 0 || length >= final_path.size()) return;
  const std::wstring_view whole(final_path.data(), length);
  const std::size_t separator = whole.find_last_of(L'\\');
  const std::wstring_view last = separator == std::wstring_view::npos
                                     ? whole
                                     : whole.substr(separator + 1);
  if (!last.empty()) stored.assign(last.begin(), last.end());
}

}  // namespace

name_kind kind_of_name(const std::u16string& path, name_bytes,
                       std::u16string& reason, std::u16string* stored) {
  DWORD error = 0;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  // One call gives the attributes and the name as stored. Not for a name
  // holding what FindFirstFileExW reads as a wildcard: that could answer
  // for another file.
  const std::u16string_view name = last_name(path_style::windows, path);
  std::wstring wide_path;
  if (stored != nullptr && !name.empty() &&
      name.find_first_of(u"*?<>\"") == std::u16string_view::npos &&
      to_wide(path, wide_path)) {
    // The name spelt exactly so first: one call, and in a case-sensitive
    // folder the only file the name may mean. (The long name comes back
    // for an 8.3 alias.)
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(
        wide_path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
        nullptr, FIND_FIRST_EX_CASE_SENSITIVE);
    if (search != INVALID_HANDLE_VALUE) {
      FindClose(search);
      attributes = found.dwFileAttributes;
      stored->assign(found.cFileName,
                     found.cFileName + std::wcslen(found.cFileName));
    } else {
      // Otherwise the file the name opens, as the folder compares names,
      // and the name it holds: a search without regard to case could
      // answer for a.txt with A.txt where both exist.
      attributes = attributes_of(path, error);
      if (attributes != INVALID_FILE_ATTRIBUTES)
        stored_name_of(wide_path, *stored);
    }
  } else {
    attributes = attributes_of(path, error);
  }
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? name_kind::directory
                                                        : name_kind::file;
  // The folder exists and holds no such name: the one plain absence.
  if (error == ERROR_FILE_NOT_FOUND) return name_kind::missing;
  if (error == ERROR_PATH_NOT_FOUND) return no_folder(path, reason);
  reason = error_text(error);
  return name_kind::unknown;
}

namespace {

// A DWORD value of the file system's settings; false where it is not set.
bool file_system_setting(const wchar_t* name, std::uint32_t& value) {
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_LOCAL_MACHINE,
                   L"SYSTEM\\CurrentControlSet\\Control\\FileSystem", name,
                   RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS)
    return false;
  value = data;
  return true;
}

}  // namespace

tunnel_settings read_tunnel_settings() {
  tunnel_settings settings;
  settings.age_set = file_system_setting(L"MaximumTunnelEntryAgeInSeconds",
                                         settings.age_seconds);
  settings.entries_set =
      file_system_setting(L"MaximumTunnelEntries", settings.entries);
  return settings;
}

// A folder's security descriptor would answer only with an AccessCheck
// against this process's token, and the read-only attribute means nothing
// on a folder: the rename alone says.
bool may_rename_in(const std::u16string&, name_bytes, std::u16string&) {
  return true;
}

bool identity_of_rename_path(const std::u16string& path, name_bytes,
                             file_identity& identity) {
  return identity_of_name(path, identity);
}

bool state_of_rename_path(const std::u16string& path, name_bytes,
                          file_state& state) {
  // The attributes only, of the name itself: a reparse point is opened, not
  // followed, and no program that holds the file open is in the way.
  std::wstring wide_path;
  if (path.empty() || !to_wide_long(path, wide_path)) return false;
  const HANDLE handle =
      open_to_ask(wide_path.c_str(), FILE_READ_ATTRIBUTES, false);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = state_of_handle(handle, state);
  CloseHandle(handle);
  return known;
}

// ---- Limits of folders ----

bool limits_of_folder(const std::u16string& folder, name_bytes,
                      folder_limits& limits) {
  limits = folder_limits{};
  // Whether the folder was made case-sensitive; a system or file system
  // that cannot say (before Windows 10 1803, FAT, a share) has none such.
  constexpr ULONG k_case_sensitive_dir =
      0x1;  // FILE_CS_FLAG_CASE_SENSITIVE_DIR
  std::wstring wide_folder;
  if (!to_wide(folder, wide_folder)) return true;
  const HANDLE handle =
      open_to_ask(wide_folder.c_str(), FILE_READ_ATTRIBUTES, true);
  if (handle == INVALID_HANDLE_VALUE) return true;
  FILE_CASE_SENSITIVE_INFO info{};
  limits.case_sensitive =
      GetFileInformationByHandleEx(handle, FileCaseSensitiveInfo, &info,
                                   sizeof info) &&
      (info.Flags & k_case_sensitive_dir) != 0;
  CloseHandle(handle);
  return true;
}

std::size_t system_length(std::u16string_view text, name_bytes) {
  return text.size();
}

bool reaches_system_as_utf8(std::u16string_view, name_bytes) { return true; }

// ---- Names as Windows compares them ----

bool list_folder(const std::u16string&, name_bytes,
                 std::vector<std::u16string>&) {
  // Not needed: Windows itself compares names as Windows does.
  return false;
}

std::u16string upper_case_as_windows(std::u16string_view name) {
  // The invariant upper case, as NTFS's own table compares names; a name
  // the call refuses is compared as it is.
  const std::wstring wide(name.begin(), name.end());
  const int size = static_cast<int>(wide.size());
  if (size == 0) return std::u16string();
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), size,
                    upper.data(), size, nullptr, nullptr, 0) != size)
    return std::u16string(name);
  return std::u16string(upper.begin(), upper.end());
}

// ---- Creation times, same file, removing a name ----

bool creation_time_of(const std::u16string& path, std::uint64_t& time) {
  std::wstring wide_path;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!to_wide(path, wide_path) ||
      !GetFileAttributesExW(wide_path.c_str(), GetFileExInfoStandard, &data))
    return false;
  time =
      (static_cast<std::uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) |
      data.ftCreationTime.dwLowDateTime;
  return true;
}

bool set_creation_time(const std::u16string& path, std::uint64_t time) {
  std::wstring wide_path;
  if (!to_wide(path, wide_path)) return false;
  const HANDLE handle =
      open_to_ask(wide_path.c_str(), FILE_WRITE_ATTRIBUTES, false);
  if (handle == INVALID_HANDLE_VALUE) return false;
  // Zero in a field leaves it as it is: only the creation time changes.
  FILE_BASIC_INFO basic{};
  basic.CreationTime.QuadPart = static_cast<LONGLONG>(time);
  const bool set = SetFileInformationByHandle(handle, FileBasicInfo, &basic,
                                              sizeof basic) != 0;
  CloseHandle(handle);
  return set;
}

bool same_file_named(const std::u16string& first, const std::u16string& second,
                     name_bytes) {
  file_identity first_identity;
  file_identity second_identity;
  return identity_of_name(first, first_identity) &&
         identity_of_name(second, second_identity) &&
         same_identity(first_identity, second_identity);
}

bool remove_name(const std::u16string& path, name_bytes) {
  std::wstring wide_path;
  return to_wide(path, wide_path) && DeleteFileW(wide_path.c_str()) != 0;
}

// ---- Console ----

bool write_console(console_stream stream, std::string_view bytes) {
  std::FILE* file = stream == console_stream::out ? stdout : stderr;
  if (bytes.empty()) return std::ferror(file) == 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

namespace {

HANDLE console_handle(console_stream stream) {
  return GetStdHandle(stream == console_stream::out ? STD_OUTPUT_HANDLE
                                                    : STD_ERROR_HANDLE);
}

}  // namespace

bool console_is_window(console_stream stream) {
  // A redirected stream, and the NUL device that _isatty calls a terminal,
  // have no console mode.
  const HANDLE handle = console_handle(stream);
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
         GetConsoleMode(handle, &mode) != 0;
}

bool console_is_terminal(console_stream stream) {
  return console_is_window(stream);
}

bool input_is_terminal() {
  // As for output: the NUL device, which _isatty calls a terminal, has no
  // console mode.
  const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
         GetConsoleMode(handle, &mode) != 0;
}

bool write_console_window(console_stream stream, std::u16string_view text) {
  const HANDLE handle = console_handle(stream);
  if (!console_is_window(stream)) return false;
  // What stdio still holds must reach the screen first.
  std::fflush(stream == console_stream::out ? stdout : stderr);
  // In pieces: older consoles refuse one call of more than about 64 KiB.
  // A piece never ends between the halves of a pair, and what the console
  // took is counted, so that nothing is written twice or left out.
  constexpr std::size_t k_piece = 16384;
  const std::wstring wide(text.begin(), text.end());
  std::size_t at = 0;
  while (at < wide.size()) {
    const std::size_t units = whole_piece(text, at, k_piece);
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(units),
                       &written, nullptr) ||
        written == 0)
      return false;
    at += written;
  }
  return true;
}

std::size_t console_columns(console_stream stream) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(console_handle(stream), &info)) return 0;
  return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

void clear_screen() {
  // Through the console's own functions: "cls" goes through the command
  // interpreter, which a policy may forbid, and a redirected stream, which
  // has no screen, is left as it is.
  const HANDLE handle = console_handle(console_stream::out);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(handle, &info)) return;
  std::fflush(stdout);
  const COORD home = {0, 0};
  const DWORD cells =
      static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  DWORD done = 0;
  FillConsoleOutputCharacterW(handle, L' ', cells, home, &done);
  FillConsoleOutputAttribute(handle, info.wAttributes, cells, home, &done);
  SetConsoleCursorPosition(handle, home);
}

void wait_for_key() {
  std::fflush(stdout);
  std::getchar();
}

// ---- Interrupts and exit ----

namespace {

// Set by the console's handler thread, read by the run's.
std::atomic<bool> interrupt_noted{false};

BOOL WINAPI note_interrupt(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      interrupt_noted = true;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The window closed, or the session ends: Windows ends the process
      // when this returns, or a few seconds on. The run ends as on Ctrl+C,
      // its files closed, and its own exit ends this thread with it.
      interrupt_noted = true;
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void catch_interrupts() { SetConsoleCtrlHandler(note_interrupt, TRUE); }

bool interrupted() { return interrupt_noted; }

void exit_process(int status) { std::exit(status); }

// ---- User, computer, time ----

std::u16string user_name() {
  // UNLEN is 256; the buffer grows if the system asks for more.
  std::vector<wchar_t> buffer(257);
  DWORD size = static_cast<DWORD>(buffer.size());
  if (!GetUserNameW(buffer.data(), &size)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    buffer.resize(size);
    if (!GetUserNameW(buffer.data(), &size)) return {};
  }
  return std::u16string(buffer.data(),
                        buffer.data() + std::wcslen(buffer.data()));
}

std::u16string computer_name() {
  DWORD size = 0;
  GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size);
  if (!GetComputerNameExW(ComputerNameDnsHostname, buffer.data(), &size))
    return {};
  return std::u16string(buffer.data(), buffer.data() + size);
}

std::string utc_time_now() {
  const std::time_t now = std::time(nullptr);
  struct tm parts;
  char text[32];
  if (now == static_cast<std::time_t>(-1) || gmtime_s(&parts, &now) != 0 ||
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0)
    return {};
  return text;
}
