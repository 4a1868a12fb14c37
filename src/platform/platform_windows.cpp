// The platform services on the Windows C runtime. wchar_t is 16 bits here,
// so the program's wide text is handed over unit for unit.

#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// The runtime takes NUL-terminated names: one holding a NUL would be cut
// short and name another file, so it is refused.
bool to_wide(std::u16string_view text, std::wstring& result) {
  result.assign(text.begin(), text.end());
  return result.find(L'\0') == std::wstring::npos;
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

std::FILE* open_for_reading(const std::u16string& path) {
  // Bytes, not text mode: text mode would end the file at a 0x1A byte.
  std::wstring wide_path;
  if (path.empty() || !to_wide(path, wide_path)) return nullptr;
  return _wfopen(wide_path.c_str(), L"rb");
}

std::FILE* create_for_writing(const std::u16string& path) {
  std::wstring wide_path;
  if (path.empty() || !to_wide(path, wide_path)) return nullptr;
  // Bytes: the report may be UTF-16, whose bytes text mode would mangle;
  // line ends are written as text_line_end() gives them.
  return _wfopen(wide_path.c_str(), L"wb");
}

std::u16string_view text_line_end() { return u"\r\n"; }

void decode_8bit(std::string_view bytes, std::u16string& text) {
  // The suite writes its 8-bit lists in the ANSI code page; reading them
  // through it finds names with a typographic apostrophe or a euro sign.
  if (bytes.empty()) return;
  const int size = static_cast<int>(bytes.size());
  const int units =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), units);
  text.append(wide.begin(), wide.end());
}

void append_8bit_encoded(std::u16string_view text, std::string& bytes) {
  if (text.empty()) return;
  const std::wstring wide(text.begin(), text.end());
  const int size = static_cast<int>(wide.size());
  // A character the code page lacks becomes "?", never a look-alike.
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

bool seek_file(std::FILE* file, std::int64_t offset) {
  return _fseeki64(file, offset, SEEK_SET) == 0;
}

bool same_file(const std::u16string& first, const std::u16string& second) {
  // Both names are full paths here, and Windows compares names without
  // regard to case.
  std::wstring first_wide;
  std::wstring second_wide;
  if (!to_wide(first, first_wide) || !to_wide(second, second_wide))
    return false;
  return _wcsicmp(first_wide.c_str(), second_wide.c_str()) == 0;
}

bool rename_no_replace(const std::u16string& from, const std::u16string& to,
                       name_bytes) {
  // _wrename fails with EEXIST when the new name exists: it never replaces.
  std::wstring from_wide;
  std::wstring to_wide_;
  if (!to_wide(from, from_wide) || !to_wide(to, to_wide_)) return false;
  const DWORD attributes = GetFileAttributesW(from_wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  return _wrename(from_wide.c_str(), to_wide_.c_str()) == 0;
}

bool path_exists(const std::u16string& path, name_bytes) {
  std::wstring wide_path;
  return to_wide(path, wide_path) &&
         GetFileAttributesW(wide_path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool write_console(console_stream stream, std::string_view bytes) {
  std::FILE* file = stream == console_stream::out ? stdout : stderr;
  if (bytes.empty()) return std::ferror(file) == 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool write_console_window(console_stream stream, std::u16string_view text) {
  HANDLE handle = GetStdHandle(
      stream == console_stream::out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
    return false;
  // What stdio still holds must reach the screen first.
  std::fflush(stream == console_stream::out ? stdout : stderr);
  const std::wstring wide(text.begin(), text.end());
  DWORD written = 0;
  return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()),
                       &written, nullptr) != 0;
}

void clear_screen() {
  // "cls" with redirected output writes a form feed into the file.
  if (!_isatty(_fileno(stdout))) return;
  std::fflush(stdout);
  std::system("cls");
}

void wait_for_key() {
  std::fflush(stdout);
  std::getchar();
}

void exit_process(int status) { std::exit(status); }
