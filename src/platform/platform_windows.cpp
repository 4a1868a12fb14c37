// The platform services on the Windows C runtime. wchar_t is 16 bits here,
// so the program's wide text is handed over unit for unit.

#include <io.h>
#include <stdlib.h>

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
  return _wfopen(wide_path.c_str(), L"wt");
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

bool rename_no_replace(const std::u16string& from, const std::u16string& to) {
  // _wrename fails with EEXIST when the new name exists: it never replaces.
  std::wstring from_wide;
  std::wstring to_wide_;
  if (!to_wide(from, from_wide) || !to_wide(to, to_wide_)) return false;
  return _wrename(from_wide.c_str(), to_wide_.c_str()) == 0;
}

bool write_console(console_stream stream, std::string_view bytes) {
  std::FILE* file = stream == console_stream::out ? stdout : stderr;
  if (bytes.empty()) return std::ferror(file) == 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
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
