// Digests of files on Windows, by CNG (bcrypt.dll), which every Windows
// since Vista has: no hash code ships with fldren.

#include <windows.h>
// After windows.h, whose types it uses.
#include <bcrypt.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>

#include "platform/file_hash.h"
#include "platform/platform.h"
#include "platform/platform_windows.h"
#include "text/path_forms.h"

namespace {

std::atomic<bool> hashing_stopped{false};
std::atomic<std::int64_t> access_times_unkept{0};

// Words for a status CNG returned, which FormatMessageW does not know.
std::u16string status_text(NTSTATUS status) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX",
                static_cast<unsigned long>(status));
  std::u16string text = u"The system's hash provider failed with status ";
  for (const char* c = code; *c != '\0'; ++c)
    text.push_back(static_cast<char16_t>(*c));
  return text;
}

// An algorithm provider, opened once for the process: opening one is
// slow, and an open provider serves every thread's hashes at once.
struct provider {
  BCRYPT_ALG_HANDLE handle = nullptr;
  NTSTATUS status = 0;
};

provider open_provider(const wchar_t* algorithm) {
  provider opened;
  opened.status =
      BCryptOpenAlgorithmProvider(&opened.handle, algorithm, nullptr, 0);
  if (opened.status < 0) opened.handle = nullptr;
  return opened;
}

// The provider of kind; none has none, and status 0.
const provider& provider_of(hash_kind kind) {
  // Each opened at its first use, by whichever thread comes first; never
  // closed, as the process ends with it.
  static const provider nothing;
  switch (kind) {
    case hash_kind::md5: {
      static const provider md5 = open_provider(BCRYPT_MD5_ALGORITHM);
      return md5;
    }
    case hash_kind::sha1: {
      static const provider sha1 = open_provider(BCRYPT_SHA1_ALGORITHM);
      return sha1;
    }
    case hash_kind::sha256: {
      static const provider sha256 = open_provider(BCRYPT_SHA256_ALGORITHM);
      return sha256;
    }
    case hash_kind::none:
      break;
  }
  return nothing;
}

// Closes the file and destroys the hash object when the call ends.
struct handles {
  HANDLE file = INVALID_HANDLE_VALUE;
  BCRYPT_HASH_HANDLE hash = nullptr;
  handles() = default;
  handles(const handles&) = delete;
  handles& operator=(const handles&) = delete;
  ~handles() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

// Opens name, in the extended form, for reading, shared with every other
// use, a rename or removal included: an examiner's run renames files that
// a check may be reading. With FILE_FLAG_OPEN_REPARSE_POINT unless
// follow_link is set, so that a reparse point is opened itself.
// Opens name to read without the read changing its access time: with the
// right to write its attributes, the handle is told to leave that time
// (SetFileTime with a time of all ones, which stops its updates through
// this handle and changes nothing itself). Where that right is refused (a
// read-only share, a file the user may only read), opens it to read only,
// time_kept then false.
HANDLE open_to_read(const std::wstring& name, bool follow_link,
                    bool& time_kept) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN |
                      (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                            share, nullptr, OPEN_EXISTING, flags, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    FILETIME untouched;
    untouched.dwLowDateTime = 0xFFFFFFFF;
    untouched.dwHighDateTime = 0xFFFFFFFF;
    time_kept = SetFileTime(file, nullptr, &untouched, nullptr) != 0;
    return file;
  }
  time_kept = true;
  if (GetLastError() != ERROR_ACCESS_DENIED) return file;
  time_kept = false;
  return CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                     flags, nullptr);
}

// True when time, in 100 ns units, lies far enough behind now that a write
// after now must give a later time.
bool settled_before(std::int64_t time, std::int64_t now) {
  constexpr std::int64_t k_slack =
      k_coarsest_file_clock_seconds * std::int64_t{10000000};
  return time < now - k_slack;
}

// The clock, in the units and from the epoch of file times.
std::int64_t file_clock_now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
      now.dwLowDateTime);
}

// Digests the file name names, as hash_file says; a final link followed
// only when follow_link is set.
bool hash_named_file(const std::u16string& name, hash_kind kind,
                     bool follow_link, std::string& hex_digest,
                     std::u16string& reason,
                     std::atomic<std::int64_t>* bytes_done,
                     file_state* read_state) {
  hex_digest.clear();
  // A rename path is in the extended form already; a name of the command
  // line gets it, as open_for_reading gives it, so no length limit binds.
  const std::u16string long_name = extended_form(name);
  const std::wstring wide_name(long_name.begin(), long_name.end());
  if (name.empty() || wide_name.find(L'\0') != std::wstring::npos) {
    reason = system_error_text(ERROR_INVALID_NAME);
    return false;
  }
  const provider& algorithm = provider_of(kind);
  if (algorithm.handle == nullptr) {
    reason = algorithm.status < 0 ? status_text(algorithm.status)
                                  : system_error_text(ERROR_INVALID_PARAMETER);
    return false;
  }
  handles open;
  bool time_kept = true;
  open.file = open_to_read(wide_name, follow_link, time_kept);
  if (open.file == INVALID_HANDLE_VALUE) {
    reason = system_error_text(GetLastError());
    return false;
  }
  // An exported file is never followed, an input of the command line is:
  // only the evidence's access times are told.
  if (!time_kept && !follow_link) ++access_times_unkept;
  // A device or a pipe may never end, and cannot be read again to check.
  if (GetFileType(open.file) != FILE_TYPE_DISK) {
    reason = u"Not a regular file";
    return false;
  }
  // The clock before the file's first look: any write after that look
  // comes later still.
  const std::int64_t now = file_clock_now();
  file_state before;
  if (!state_of_handle(open.file, before)) {
    reason = system_error_text(GetLastError());
    return false;
  }
  if (before.symbolic_link) {
    reason = u"A symbolic link, not followed";
    return false;
  }
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!follow_link &&
      GetFileInformationByHandleEx(open.file, FileAttributeTagInfo, &tag,
                                   sizeof tag) &&
      (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A reparse point that holds its own contents (a deduplicated, cloud
    // or compressed file) reads as them only when followed; opened again,
    // it must be the same file.
    handles followed;
    bool followed_time_kept = true;
    followed.file = open_to_read(wide_name, true, followed_time_kept);
    file_state reached;
    if (followed.file == INVALID_HANDLE_VALUE ||
        !state_of_handle(followed.file, reached)) {
      reason = system_error_text(GetLastError());
      return false;
    }
    if (time_kept && !followed_time_kept) ++access_times_unkept;
    if (!same_identity(before.identity, reached.identity)) {
      reason = u"The file changed while it was read";
      return false;
    }
    std::swap(open.file, followed.file);
    before = reached;
  }
  // The system sizes the hash object itself when given none.
  NTSTATUS status =
      BCryptCreateHash(algorithm.handle, &open.hash, nullptr, 0, nullptr, 0, 0);
  if (status < 0) {
    open.hash = nullptr;
    reason = status_text(status);
    return false;
  }
  // Not zeroed: ReadFile fills what the hash is given.
  const std::size_t block = hash_block_size(before.version.size);
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[block]);
  for (;;) {
    if (hashing_stopped.load(std::memory_order_relaxed)) {
      reason = u"Stopped: the program is ending";
      return false;
    }
    // A file of many gigabytes must not keep Ctrl+C waiting.
    if (interrupted()) {
      reason = k_hash_interrupted;
      return false;
    }
    DWORD got = 0;
    if (!ReadFile(open.file, buffer.get(), static_cast<DWORD>(block), &got,
                  nullptr)) {
      reason = system_error_text(GetLastError());
      return false;
    }
    if (got == 0) break;
    status = BCryptHashData(open.hash, buffer.get(), got, 0);
    if (status < 0) {
      reason = status_text(status);
      return false;
    }
    if (bytes_done != nullptr)
      bytes_done->fetch_add(got, std::memory_order_relaxed);
  }
  unsigned char value[32];  // SHA-256's, the longest
  const std::size_t length = hex_length_of(kind) / 2;
  if (length == 0 || length > sizeof value) {
    reason = system_error_text(ERROR_INVALID_PARAMETER);
    return false;
  }
  status = BCryptFinishHash(open.hash, value, static_cast<ULONG>(length), 0);
  if (status < 0) {
    reason = status_text(status);
    return false;
  }
  // A file written to while it was read has no one digest: the blocks
  // may come from before and after the write.
  file_state after;
  if (!state_of_handle(open.file, after)) {
    reason = system_error_text(GetLastError());
    return false;
  }
  // One handle read: a file system that tells no identity leaves the
  // version to tell a write.
  if ((identity_known(before.identity) &&
       !same_identity(before.identity, after.identity)) ||
      !same_version(before.version, after.version)) {
    reason = u"The file changed while it was read";
    return false;
  }
  lower_hex_of(value, length, hex_digest);
  if (read_state != nullptr) {
    after.settled = settled_before(after.version.modified, now) &&
                    settled_before(after.version.changed, now);
    *read_state = after;
  }
  return true;
}

}  // namespace

bool hash_file(const std::u16string& path, name_bytes, hash_kind kind,
               std::string& hex_digest, std::u16string& reason,
               std::atomic<std::int64_t>* bytes_done, file_state* read) {
  // An exported file that is a symbolic link holds nothing itself; a link
  // put in its place after it was looked at must not be followed.
  return hash_named_file(path, kind, false, hex_digest, reason, bytes_done,
                         read);
}

bool hash_input_file(const std::u16string& name, hash_kind kind,
                     std::string& hex_digest, std::u16string& reason,
                     std::atomic<std::int64_t>* bytes_done) {
  // The command line may name an input by a link: it is the list meant.
  return hash_named_file(name, kind, true, hex_digest, reason, bytes_done,
                         nullptr);
}

void stop_hashing_files() { hashing_stopped.store(true); }

std::int64_t files_read_changing_access_time() { return access_times_unkept; }
