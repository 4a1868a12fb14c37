// Digests of files on Windows, by CNG (bcrypt.dll), which every Windows
// since Vista has: no hash code ships with fldren.

#include <windows.h>
// After windows.h, whose types it uses.
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/file_hash.h"
#include "platform/platform.h"
#include "platform/platform_windows.h"
#include "text/path_forms.h"

namespace {

std::atomic<bool> hashing_stopped{false};

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

}  // namespace

bool hash_file(const std::u16string& path, name_bytes, hash_kind kind,
               std::string& hex_digest, std::u16string& reason,
               std::atomic<std::int64_t>* bytes_done) {
  return hash_input_file(path, kind, hex_digest, reason, bytes_done);
}

bool hash_input_file(const std::u16string& name, hash_kind kind,
                     std::string& hex_digest, std::u16string& reason,
                     std::atomic<std::int64_t>* bytes_done) {
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
  // Shared with every other use, a rename or removal included: an
  // examiner's run renames files that a check may be reading.
  open.file =
      CreateFileW(wide_name.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (open.file == INVALID_HANDLE_VALUE) {
    reason = system_error_text(GetLastError());
    return false;
  }
  // A device or a pipe may never end, and cannot be read again to check.
  if (GetFileType(open.file) != FILE_TYPE_DISK) {
    reason = u"Not a regular file";
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(open.file, &size)) {
    reason = system_error_text(GetLastError());
    return false;
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
  const std::size_t block = hash_block_size(size.QuadPart);
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[block]);
  for (;;) {
    if (hashing_stopped.load(std::memory_order_relaxed)) {
      reason = u"Stopped: the program is ending";
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
  lower_hex_of(value, length, hex_digest);
  return true;
}

void stop_hashing_files() { hashing_stopped.store(true); }
