// The platform services on Linux: POSIX calls and a few of Linux's own
// (renameat2, the inode flags of <linux/fs.h>, the mount table). Names
// travel one byte per 16-bit unit, so any byte sequence a file system holds
// comes back unchanged.
//
// In this file, in order, each division opening with a "// ---- " line:
//   Names and text forms: narrow, to_bytes, current_folder,
//     command_text_in_form, resolve_full_path
//   Files: open_for_reading, open_for_writing, remove_file, empty_file,
//     regular_file_length, cut_file, write_file_at, flush_to_disk
//   Line end, 8-bit text, seeking: decode_8bit, append_8bit_encoded,
//     decode_code_page (iconv), code_page_readable, system_code_page,
//     seek_file
//   Identity: identity_of_stat, state_of_stat, identity_of_name,
//     identity_of_file
//   Paths as the system reads them: native_path_style, to_posix_path
//   Rename without replacing, by link: link_and_unlink, error_text,
//     last_error_text,
//     rename_no_replace (renameat2, relative to a share's folder kept open:
//     share_folders_posix), rename_by_link, name_exists_text
//   Looking at names: kind_of_name, read_tunnel_settings (none here),
//     may_rename_in, identity_of_rename_path,
//     state_of_rename_path
//   Limits of folders and Windows file systems: windows_file_system (the
//     mount table), limits_of_folder, system_length, reaches_system_as_utf8
//   Names as Windows compares them: upper_case_as_windows, list_folder
//   Creation times, same file, removing a name: creation_time_of and
//     set_creation_time (none here), same_file_named, remove_name
//   Console: write_console, console_is_terminal, input_is_terminal,
//     console_columns, clear_screen, wait_for_key
//   Interrupts and exit: catch_interrupts, interrupted, exit_process
//   User, computer, time: user_name, computer_name, utc_time_now

#include "platform/platform_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <linux/fs.h>
#include <locale.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/share_folders_posix.h"
#include "text/code_pages.h"
#include "text/path_forms.h"
#include "text/unicode_text.h"

// ---- Names and text forms ----

namespace {

// Narrows a name one byte per unit, a backslash becoming backslash_as;
// fails on a unit above 255 or a NUL, either of which would make the system
// see another name. Every record's paths pass here on their way to the
// system: the loop checks all units and copies them without a branch,
// which the compiler turns into wide moves.
bool narrow(std::u16string_view text, char backslash_as, std::string& result) {
  result.resize(text.size());
  char* out = result.data();
  unsigned refused = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    refused |=
        static_cast<unsigned>(unit == 0) | static_cast<unsigned>(unit > 255);
    out[i] = unit == u'\\' ? backslash_as : static_cast<char>(unit);
  }
  return refused == 0;
}

}  // namespace

bool to_bytes(std::u16string_view text, std::string& result) {
  if (text.find(u'\0') != std::u16string_view::npos) return false;
  result.clear();
  append_utf8_encoded(text, result);
  return true;
}

bool current_folder(std::u16string& folder) {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return false;
    buffer.resize(buffer.size() * 2);
  }
  folder.clear();
  append_utf8_decoded(buffer.data(), folder);
  return true;
}

text_encoding command_line_encoding() { return text_encoding::utf8; }

std::u16string command_text_in_form(std::u16string_view text, name_bytes form) {
  if (form == name_bytes::utf8) return std::u16string(text);
  // Names of an 8-bit list are their bytes, one a unit: so are the bytes
  // of the command line's text.
  std::string bytes;
  append_utf8_encoded(text, bytes);
  std::u16string units;
  decode_8bit(bytes, units);
  return units;
}

bool resolve_full_path(std::u16string_view name, std::size_t limit,
                       std::u16string& result) {
  if (name.empty()) return false;
  std::u16string joined;
  if (name.front() != u'/') {
    if (!current_folder(joined)) return false;
    joined.push_back(u'/');
  }
  joined.append(name);

  // Fold "." and ".." without asking the file system, so that a name that
  // does not exist yet (an output file) resolves the same way.
  std::vector<std::u16string_view> segments;
  std::u16string_view rest = joined;
  while (!rest.empty()) {
    std::size_t slash = rest.find(u'/');
    std::u16string_view segment = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view()
                                              : rest.substr(slash + 1);
    if (segment.empty() || segment == u".") continue;
    if (segment == u"..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  // The root alone when every segment folded away.
  std::u16string folded(segments.empty() ? 1 : 0, u'/');
  for (std::u16string_view segment : segments) {
    folded.push_back(u'/');
    folded.append(segment);
  }
  if (folded.size() >= limit) return false;
  result = folded;
  return true;
}

// ---- Files ----

std::FILE* open_for_reading(const std::u16string& path) {
  std::string bytes;
  errno = 0;
  if (path.empty() || !to_bytes(path, bytes)) return nullptr;
  std::FILE* file = std::fopen(bytes.c_str(), "rb");
  if (file == nullptr) return nullptr;
  // A directory opens on POSIX but cannot be read; refuse it here, where
  // Windows refuses it too.
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    std::fclose(file);
    errno = error;
    return nullptr;
  }
  return file;
}

std::FILE* open_for_writing(const std::u16string& path, bool& created) {
  std::string bytes;
  created = false;
  errno = 0;
  if (path.empty() || !to_bytes(path, bytes)) return nullptr;
  int descriptor =
      open(bytes.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  created = descriptor >= 0;
  if (descriptor < 0 && errno == EEXIST)
    descriptor = open(bytes.c_str(), O_RDWR | O_CLOEXEC);
  // A link to a missing file exists, yet only opening with O_CREAT makes
  // its target; whether that happened is not known, so not claimed.
  if (descriptor < 0 && errno == ENOENT)
    descriptor = open(bytes.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = fdopen(descriptor, "r+b");
  if (file == nullptr) close(descriptor);
  return file;
}

bool remove_file(const std::u16string& path) {
  std::string bytes;
  return !path.empty() && to_bytes(path, bytes) && unlink(bytes.c_str()) == 0;
}

bool empty_file(std::FILE* file) {
  // A device such as /dev/null holds nothing to empty.
  struct stat info;
  if (fstat(fileno(file), &info) != 0) return false;
  return !S_ISREG(info.st_mode) || ftruncate(fileno(file), 0) == 0;
}

bool regular_file_length(std::FILE* file, std::int64_t& length) {
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  length = static_cast<std::int64_t>(info.st_size);
  return true;
}

bool cut_file(std::FILE* file, std::int64_t length) {
  return ftruncate(fileno(file), static_cast<off_t>(length)) == 0;
}

bool write_file_at(std::FILE* file, std::int64_t offset,
                   std::string_view bytes) {
  const int descriptor = fileno(file);
  while (!bytes.empty()) {
    const ssize_t written = pwrite(descriptor, bytes.data(), bytes.size(),
                                   static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += written;
  }
  return true;
}

bool flush_to_disk(std::FILE* file) {
  if (fdatasync(fileno(file)) == 0) return true;
  // /dev/null and pipes have no disk behind them.
  return errno == EINVAL || errno == EROFS || errno == ENOTSUP;
}

// ---- Line end, 8-bit text, seeking ----

std::u16string_view text_line_end() { return u"\n"; }

void decode_8bit(std::string_view bytes, std::u16string& text) {
  const std::size_t start = text.size();
  text.resize(start + bytes.size());
  char16_t* out = text.data() + start;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out[i] = static_cast<unsigned char>(bytes[i]);
}

void append_8bit_encoded(std::u16string_view text, std::string& bytes) {
  const std::size_t start = bytes.size();
  bytes.resize(start + text.size());
  char* out = bytes.data() + start;
  for (std::size_t i = 0; i < text.size(); ++i)
    out[i] = text[i] <= 255 ? static_cast<char>(text[i]) : '?';
}

namespace {

const iconv_t k_no_converter = reinterpret_cast<iconv_t>(-1);

// A converter from one code page to UTF-16LE, kept for the thread that
// opened it: opening one loads glibc's tables, too slow for every line,
// and one converter must not serve two threads at once.
struct code_page_converter {
  unsigned code_page = 0;
  iconv_t converter = k_no_converter;
  ~code_page_converter() {
    if (converter != k_no_converter) iconv_close(converter);
  }
};

iconv_t open_converter(unsigned code_page) {
  const std::string charset(charset_of_code_page(code_page));
  if (charset.empty()) return k_no_converter;
  return iconv_open("UTF-16LE", charset.c_str());
}

iconv_t converter_for(unsigned code_page) {
  thread_local code_page_converter kept;
  if (kept.code_page != code_page || kept.converter == k_no_converter) {
    if (kept.converter != k_no_converter) iconv_close(kept.converter);
    kept.converter = open_converter(code_page);
    kept.code_page = code_page;
  }
  return kept.converter;
}

void append_utf16le(const char* bytes, std::size_t size, std::u16string& text) {
  for (std::size_t i = 0; i + 1 < size; i += 2)
    text.push_back(
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
}

}  // namespace

void decode_code_page(unsigned code_page, std::string_view bytes,
                      std::u16string& text) {
  const iconv_t converter =
      code_page == 0 ? k_no_converter : converter_for(code_page);
  if (converter == k_no_converter) {
    decode_8bit(bytes, text);
    return;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  // iconv's input is not const in its declaration, though it only reads.
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char block[4096];
  while (in_left > 0) {
    char* out = block;
    std::size_t out_left = sizeof block;
    const std::size_t done = iconv(converter, &in, &in_left, &out, &out_left);
    const int error = errno;
    append_utf16le(block, static_cast<std::size_t>(out - block), text);
    if (done != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    if (in_left == 0) break;
    // A byte that is no text in the page (EILSEQ), or a lead byte the
    // text ends in (EINVAL): carried as itself, as Windows does it, never
    // as the page's default character, a name the list does not hold.
    text.push_back(unreadable_byte(static_cast<unsigned char>(*in)));
    ++in;
    --in_left;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
}

bool code_page_readable(unsigned code_page) {
  return converter_for(code_page) != k_no_converter;
}

unsigned system_code_page() { return 0; }

bool seek_file(std::FILE* file, std::int64_t offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

// ---- Identity ----

namespace {

file_identity identity_of_stat(const struct stat& info) {
  file_identity identity;
  identity.volume = static_cast<std::uint64_t>(info.st_dev);
  identity.index = static_cast<std::uint64_t>(info.st_ino);
  return identity;
}

std::int64_t nanoseconds_of(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

file_state state_of_stat(const struct stat& info) {
  file_state state;
  state.identity = identity_of_stat(info);
  state.version.size = static_cast<std::int64_t>(info.st_size);
  state.version.modified = nanoseconds_of(info.st_mtim);
  state.version.changed = nanoseconds_of(info.st_ctim);
  state.symbolic_link = S_ISLNK(info.st_mode);
  return state;
}

bool identity_of_name(const std::u16string& path, file_identity& identity) {
  std::string bytes;
  struct stat info;
  if (path.empty() || !to_bytes(path, bytes) || stat(bytes.c_str(), &info) != 0)
    return false;
  identity = identity_of_stat(info);
  return true;
}

bool identity_of_file(std::FILE* file, file_identity& identity) {
  struct stat info;
  if (fstat(fileno(file), &info) != 0) return false;
  identity = identity_of_stat(info);
  return true;
}

// ---- Paths as the system reads them ----

path_style native_path_style() { return path_style::posix; }

bool to_posix_path(std::u16string_view path, name_bytes form,
                   std::string& result) {
  if (has_extended_prefix(path))
    path.remove_prefix(k_extended_length_prefix.size());
  if (form == name_bytes::eight_bit) return narrow(path, '/', result);
  if (path.find(u'\0') != std::u16string_view::npos) return false;
  result.clear();
  append_utf8_encoded(path, result);
  for (char& byte : result)
    if (byte == '\\') byte = '/';
  return true;
}

// ---- Rename without replacing, by link ----

bool link_and_unlink(int folder, const char* from, const char* to) {
  // A link never replaces: it fails with EEXIST when the new name exists.
  if (linkat(folder, from, folder, to, 0) != 0) return false;
  if (unlinkat(folder, from, 0) != 0) {
    // Both names lead to the file now; take back the new one so the run
    // reports exactly what the disk shows, and the unlink's error with it.
    const int error = errno;
    unlinkat(folder, to, 0);
    errno = error;
    return false;
  }
  return true;
}

namespace {

std::u16string error_text(int error) {
  std::u16string text;
  decode_8bit(std::strerror(error), text);
  return text;
}

}  // namespace

std::u16string last_error_text() {
  return errno == 0 ? std::u16string() : error_text(errno);
}

namespace {

// Both rename paths as the system's names; false, with the reason, when
// either cannot be one.
bool system_names(const std::u16string& from, const std::u16string& to,
                  name_bytes form, std::string& from_name, std::string& to_name,
                  std::u16string& reason) {
  if (to_posix_path(from, form, from_name) &&
      to_posix_path(to, form, to_name) && !from_name.empty() &&
      !to_name.empty())
    return true;
  reason = error_text(EINVAL);
  return false;
}

// The names a rename of from to to is made by: within a folder kept open
// on a share, the two last names relative to it, which saves two round
// trips for every folder the paths go through; otherwise the paths.
struct names_for_rename {
  int folder;
  const char* from;
  const char* to;
};

names_for_rename names_of_rename(const std::string& from,
                                 const std::string& to) {
  const int folder = share_folder_of(from);
  const std::string_view from_last = last_name_of(from);
  const std::string_view to_last = last_name_of(to);
  const std::size_t folder_length = from.size() - from_last.size();
  if (folder >= 0 && !to_last.empty() &&
      to.size() - to_last.size() == folder_length &&
      from.compare(0, folder_length, to, 0, folder_length) == 0)
    return {folder, from_last.data(), to_last.data()};
  return {AT_FDCWD, from.c_str(), to.c_str()};
}

}  // namespace

rename_outcome rename_no_replace(const std::u16string& from,
                                 const std::u16string& to, name_bytes form,
                                 std::u16string& reason, bool) {
  std::string from_name;
  std::string to_name;
  if (!system_names(from, to, form, from_name, to_name, reason))
    return rename_outcome::failed;
#ifdef RENAME_NOREPLACE
  const names_for_rename names = names_of_rename(from_name, to_name);
  if (renameat2(names.folder, names.from, names.folder, names.to,
                RENAME_NOREPLACE) == 0) {
    note_name_left(from_name);
    return rename_outcome::renamed;
  }
  // NFS and FUSE file systems such as ntfs-3g refuse the flag itself; every
  // other error is the answer for this rename.
  if (errno != EINVAL && errno != ENOSYS) {
    reason = error_text(errno);
    if (errno == ENOENT) note_name_not_found(from_name);
    return rename_outcome::failed;
  }
#endif
  return rename_outcome::needs_link;
}

bool rename_by_link(const std::u16string& from, const std::u16string& to,
                    name_bytes form, std::u16string& reason) {
  std::string from_name;
  std::string to_name;
  if (!system_names(from, to, form, from_name, to_name, reason)) return false;
  const names_for_rename names = names_of_rename(from_name, to_name);
  if (link_and_unlink(names.folder, names.from, names.to)) {
    note_name_left(from_name);
    return true;
  }
  reason = error_text(errno);
  if (errno == ENOENT) note_name_not_found(from_name);
  return false;
}

std::u16string name_exists_text() { return error_text(EEXIST); }

// ---- Looking at names ----

namespace {

// After the name itself was not found: missing when its folder exists;
// otherwise reason names the topmost folder of the path that does not.
name_kind missing_or_no_folder(const std::u16string& path, name_bytes form,
                               std::u16string& reason) {
  std::u16string_view missing;
  for (std::u16string_view folder = parent_folder(path_style::posix, path);
       !folder.empty(); folder = parent_folder(path_style::posix, folder)) {
    std::string name;
    struct stat info;
    if (!to_posix_path(folder, form, name)) break;
    if (stat(name.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) break;
      reason = error_text(ENOTDIR);
      return name_kind::unknown;
    }
    if (errno != ENOENT) {
      reason = error_text(errno);
      return name_kind::unknown;
    }
    missing = folder;
  }
  if (missing.empty()) return name_kind::missing;
  reason = u"The folder " + std::u16string(missing) + u" does not exist";
  return name_kind::no_folder;
}

}  // namespace

name_kind kind_of_name(const std::u16string& path, name_bytes form,
                       std::u16string& reason, std::u16string*) {
  std::string name;
  struct stat info;
  if (!to_posix_path(path, form, name) || name.empty()) {
    reason = error_text(EINVAL);
    return name_kind::unknown;
  }
  const int folder = share_folder_of(name);
  // A folder of many records on a share answers from its listing.
  if (folder >= 0 && listed_as_file(name)) return name_kind::file;
  if ((folder >= 0 ? fstatat(folder, last_name_of(name).data(), &info,
                             AT_SYMLINK_NOFOLLOW)
                   : lstat(name.c_str(), &info)) == 0)
    return S_ISDIR(info.st_mode) ? name_kind::directory : name_kind::file;
  if (errno == ENOENT) return missing_or_no_folder(path, form, reason);
  reason = error_text(errno);
  return name_kind::unknown;
}

tunnel_settings read_tunnel_settings() { return {}; }

bool may_rename_in(const std::u16string& folder, name_bytes form,
                   std::u16string& reason) {
  std::string name;
  if (!to_posix_path(folder, form, name) || name.empty()) return true;
  // A folder that cannot be looked at is the rename's to report.
  if (access(name.c_str(), W_OK | X_OK) == 0 ||
      (errno != EACCES && errno != EROFS && errno != EPERM))
    return true;
  reason = error_text(errno);
  return false;
}

bool identity_of_rename_path(const std::u16string& path, name_bytes form,
                             file_identity& identity) {
  std::string name;
  struct stat info;
  if (!to_posix_path(path, form, name) || name.empty() ||
      stat(name.c_str(), &info) != 0)
    return false;
  identity = identity_of_stat(info);
  return true;
}

bool state_of_rename_path(const std::u16string& path, name_bytes form,
                          file_state& state) {
  std::string name;
  struct stat info;
  if (!to_posix_path(path, form, name) || name.empty() ||
      lstat(name.c_str(), &info) != 0)
    return false;
  state = state_of_stat(info);
  return true;
}

// ---- Limits of folders and Windows file systems ----

namespace {

// The flag of a folder that ext4 and f2fs make case-insensitive.
constexpr long k_casefold_flag = 0x40000000;

// Whether the device's file system is one Windows reads, mounted through a
// Linux driver, from the mount table: each device is looked up once.
bool windows_file_system(dev_t device) {
  static std::map<dev_t, bool> known;
  const auto found = known.find(device);
  if (found != known.end()) return found->second;
  bool windows = false;
  const std::string wanted =
      std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    // "36 35 98:0 /mnt1 /mnt2 rw - ntfs3 /dev/sdb1 rw": the third field is
    // the device, the first after " - " the file system's type.
    std::istringstream fields(line);
    std::string skipped;
    std::string device_field;
    fields >> skipped >> skipped >> device_field;
    const std::size_t tail = line.find(" - ");
    if (device_field != wanted || tail == std::string::npos) continue;
    std::string kind;
    std::istringstream(line.substr(tail + 3)) >> kind;
    windows = kind == "vfat" || kind == "msdos" || kind == "exfat" ||
              kind == "ntfs" || kind == "ntfs3";
    break;
  }
  known.emplace(device, windows);
  return windows;
}

}  // namespace

bool limits_of_folder(const std::u16string& folder, name_bytes form,
                      folder_limits& limits) {
  std::string name;
  struct stat info;
  if (!to_posix_path(folder, form, name) || name.empty() ||
      stat(name.c_str(), &info) != 0)
    return false;
  limits = folder_limits{};
  const long name_max = pathconf(name.c_str(), _PC_NAME_MAX);
  const long path_max = pathconf(name.c_str(), _PC_PATH_MAX);
  if (name_max > 0) limits.name_bytes = static_cast<std::size_t>(name_max);
  // The system's count holds the terminating NUL.
  if (path_max > 1) limits.path_bytes = static_cast<std::size_t>(path_max) - 1;
  // ntfs-3g is FUSE, whose mount says nothing of NTFS; its own attribute
  // of every file and folder does, and reading it changes nothing.
  limits.windows_file_system =
      windows_file_system(info.st_dev) ||
      getxattr(name.c_str(), "system.ntfs_attrib_be", nullptr, 0) >= 0;
  const int descriptor = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    long flags = 0;
    limits.folds_case = ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0 &&
                        (flags & k_casefold_flag) != 0;
    close(descriptor);
  }
  return true;
}

std::size_t system_length(std::u16string_view text, name_bytes form) {
  return form == name_bytes::eight_bit ? text.size() : utf8_length(text);
}

bool reaches_system_as_utf8(std::u16string_view name, name_bytes form) {
  if (form == name_bytes::utf8) return true;
  std::string bytes;
  if (!narrow(name, '/', bytes)) return false;
  for (const char byte : bytes)
    if (static_cast<unsigned char>(byte) >= 0x80)
      return looks_like_utf8(bytes, false);
  return true;
}

// ---- Names as Windows compares them ----

std::u16string upper_case_as_windows(std::u16string_view name) {
  // The C library's upper case of Unicode, whatever locale the process
  // has (it sets none).
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::u16string upper(name);
  if (unicode == nullptr) return upper;
  for (char16_t& unit : upper)
    if (unit < 0xD800 || unit > 0xDFFF)
      unit = static_cast<char16_t>(towupper_l(unit, unicode));
  return upper;
}

bool list_folder(const std::u16string& folder, name_bytes form,
                 std::vector<std::u16string>& names) {
  std::string path;
  if (!to_posix_path(folder, form, path) || path.empty()) return false;
  DIR* listing = opendir(path.c_str());
  if (listing == nullptr) return false;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::u16string text;
    if (form == name_bytes::eight_bit)
      decode_8bit(name, text);
    else
      append_utf8_decoded(name, text);
    names.push_back(std::move(text));
  }
  closedir(listing);
  return true;
}

// ---- Creation times, same file, removing a name ----

bool creation_time_of(const std::u16string&, std::uint64_t&) { return false; }

bool set_creation_time(const std::u16string&, std::uint64_t) { return false; }

bool same_file_named(const std::u16string& first, const std::u16string& second,
                     name_bytes form) {
  std::string first_name;
  std::string second_name;
  struct stat first_info;
  struct stat second_info;
  return to_posix_path(first, form, first_name) &&
         to_posix_path(second, form, second_name) &&
         lstat(first_name.c_str(), &first_info) == 0 &&
         lstat(second_name.c_str(), &second_info) == 0 &&
         same_identity(identity_of_stat(first_info),
                       identity_of_stat(second_info));
}

bool remove_name(const std::u16string& path, name_bytes form) {
  std::string name;
  if (!to_posix_path(path, form, name) || name.empty() ||
      unlink(name.c_str()) != 0)
    return false;
  note_name_left(name);
  return true;
}

// ---- Console ----

bool write_console(console_stream stream, std::string_view bytes) {
  std::FILE* file = stream == console_stream::out ? stdout : stderr;
  if (bytes.empty()) return std::ferror(file) == 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool console_is_window(console_stream) { return false; }

bool console_is_terminal(console_stream stream) {
  return isatty(stream == console_stream::out ? STDOUT_FILENO
                                              : STDERR_FILENO) != 0;
}

bool input_is_terminal() { return isatty(STDIN_FILENO) != 0; }

bool write_console_window(console_stream, std::u16string_view) { return false; }

std::size_t console_columns(console_stream stream) {
  winsize size{};
  const int descriptor =
      stream == console_stream::out ? STDOUT_FILENO : STDERR_FILENO;
  if (ioctl(descriptor, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void clear_screen() {
  if (!isatty(STDOUT_FILENO)) return;
  std::fflush(stdout);
  write_console(console_stream::out, "\033[H\033[2J");
}

void wait_for_key() {
  std::fflush(stdout);
  std::getchar();
}

// ---- Interrupts and exit ----

namespace {

// Set by the handler, read by the run and by the hashing workers: a
// lock-free atomic is both safe in a signal handler and across threads.
std::atomic<bool> interrupt_noted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void note_interrupt(int) { interrupt_noted = true; }

}  // namespace

void catch_interrupts() {
  struct sigaction action {};
  action.sa_handler = note_interrupt;
  // A write to the console or the output file goes on where it was.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool interrupted() { return interrupt_noted; }

void exit_process(int status) { std::exit(status); }

// ---- User, computer, time ----

std::u16string user_name() {
  std::u16string name;
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) ==
          0 &&
      found != nullptr)
    append_utf8_decoded(found->pw_name, name);
  return name;
}

std::u16string computer_name() {
  // HOST_NAME_MAX is 64 on Linux; the name is cut, not overrun, if longer.
  std::vector<char> buffer(256, '\0');
  std::u16string name;
  if (gethostname(buffer.data(), buffer.size() - 1) == 0)
    append_utf8_decoded(buffer.data(), name);
  return name;
}

std::string utc_time_now() {
  const std::time_t now = std::time(nullptr);
  struct tm parts;
  char text[32];
  if (now == static_cast<std::time_t>(-1) ||
      gmtime_r(&now, &parts) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0)
    return {};
  return text;
}
