// Digests of files on POSIX, by OpenSSL's libcrypto, which every Linux
// distribution keeps up to date.

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/file_hash.h"
#include "platform/platform.h"
#include "platform/platform_posix.h"

namespace {

std::atomic<bool> hashing_stopped{false};
std::atomic<std::int64_t> access_times_unkept{0};

// strerror_r comes in two flavours: the GNU one returns the text, which
// may not be in buffer; the XSI one fills buffer and returns a status.
// The C library has one of them, so the other goes unused.
[[maybe_unused]] const char* message_of(const char* text, const char*) {
  return text;
}
[[maybe_unused]] const char* message_of(int, const char* buffer) {
  return buffer;
}

// The system's words for errno's value error. strerror itself may share
// one buffer between threads; this runs on several.
std::u16string error_text(int error) {
  char buffer[256] = "";
  std::u16string text;
  decode_8bit(message_of(strerror_r(error, buffer, sizeof buffer), buffer),
              text);
  return text;
}

// libcrypto's words for its last error on this thread; its error queue is
// the thread's own.
std::u16string crypto_error_text() {
  char buffer[256] = "";
  ERR_error_string_n(ERR_get_error(), buffer, sizeof buffer);
  std::u16string text;
  decode_8bit(buffer, text);
  return text;
}

const EVP_MD* digest_of(hash_kind kind) {
  // Left to itself, libcrypto's first use reads the machine's OpenSSL
  // configuration file. Without it a digest does not depend on how that
  // machine is set up (a FIPS-only one would refuse MD5), and the run
  // keeps the half MiB that parsing it takes. Once, for every thread; had
  // it failed, the digest's own start would try again and report.
  static const int started =
      OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
  static_cast<void>(started);
  switch (kind) {
    case hash_kind::md5:
      return EVP_md5();
    case hash_kind::sha1:
      return EVP_sha1();
    case hash_kind::sha256:
      return EVP_sha256();
    case hash_kind::none:
      break;
  }
  return nullptr;
}

struct context_free {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// Closes the file when the call ends, whichever way.
class descriptor_guard {
 public:
  explicit descriptor_guard(int descriptor) : descriptor_(descriptor) {}
  ~descriptor_guard() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  descriptor_guard(const descriptor_guard&) = delete;
  descriptor_guard& operator=(const descriptor_guard&) = delete;

 private:
  int descriptor_;
};

// Opens name for reading, following a final symbolic link only when
// follow_link is set, and without moving the file's access time when the
// system allows it: only the file's owner may ask so. -1 on failure, errno
// then telling why.
// Opens name to read without the read changing its access time
// (O_NOATIME, which the file's owner and a process with CAP_FOWNER may
// ask); where the system refuses that, opens it all the same, time_kept
// then false.
int open_to_read(const std::string& name, bool follow_link, bool& time_kept) {
  // O_NONBLOCK: a FIFO would otherwise hold the open until a writer came;
  // it is refused later, and on a regular file the flag changes nothing.
  const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK |
                    (follow_link ? 0 : O_NOFOLLOW);
  time_kept = true;
  const int descriptor = open(name.c_str(), flags | O_NOATIME);
  if (descriptor >= 0 || errno != EPERM) return descriptor;
  time_kept = false;
  return open(name.c_str(), flags);
}

// True when time, in nanoseconds, lies far enough behind now that a write
// after now must give a later time.
bool settled_before(std::int64_t time, const struct timespec& now) {
  constexpr std::int64_t k_slack =
      k_coarsest_file_clock_seconds * std::int64_t{1000000000};
  return time < static_cast<std::int64_t>(now.tv_sec) * 1000000000 +
                    now.tv_nsec - k_slack;
}

// Digests the file name names (the system's bytes), as hash_file says.
bool hash_system_name(const std::string& name, hash_kind kind, bool follow_link,
                      std::string& hex_digest, std::u16string& reason,
                      std::atomic<std::int64_t>* bytes_done,
                      file_state* read_state) {
  const EVP_MD* digest = digest_of(kind);
  if (digest == nullptr || name.empty()) {
    reason = error_text(EINVAL);
    return false;
  }
  bool time_kept = true;
  const int descriptor = open_to_read(name, follow_link, time_kept);
  if (descriptor < 0) {
    reason = error_text(errno);
    return false;
  }
  // An exported file is never followed, an input of the command line is:
  // only the evidence's access times are told.
  if (!time_kept && !follow_link) ++access_times_unkept;
  const descriptor_guard closer(descriptor);
  // The clock before the file's first look: any write after that look
  // comes later still.
  struct timespec now {};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) now = {};
  struct stat info;
  if (fstat(descriptor, &info) != 0) {
    reason = error_text(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    reason = error_text(EISDIR);
    return false;
  }
  // A device or a pipe may never end, and cannot be read again to check.
  if (!S_ISREG(info.st_mode)) {
    reason = u"Not a regular file";
    return false;
  }
  const file_state before = state_of_stat(info);
  posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);

  const std::unique_ptr<EVP_MD_CTX, context_free> context(EVP_MD_CTX_new());
  if (context == nullptr ||
      EVP_DigestInit_ex(context.get(), digest, nullptr) != 1) {
    reason = crypto_error_text();
    return false;
  }
  // Not zeroed: read() fills what the digest is given.
  const std::size_t block = hash_block_size(info.st_size);
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
    const ssize_t got = read(descriptor, buffer.get(), block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      reason = error_text(errno);
      return false;
    }
    if (got == 0) break;
    if (EVP_DigestUpdate(context.get(), buffer.get(),
                         static_cast<std::size_t>(got)) != 1) {
      reason = crypto_error_text();
      return false;
    }
    if (bytes_done != nullptr)
      bytes_done->fetch_add(got, std::memory_order_relaxed);
  }
  // A file written to while it was read has no one digest: the blocks
  // may come from before and after the write.
  if (fstat(descriptor, &info) != 0) {
    reason = error_text(errno);
    return false;
  }
  file_state after = state_of_stat(info);
  if (!same_identity(before.identity, after.identity) ||
      !same_version(before.version, after.version)) {
    reason = u"The file changed while it was read";
    return false;
  }
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), value, &length) != 1) {
    reason = crypto_error_text();
    return false;
  }
  lower_hex_of(value, length, hex_digest);
  if (read_state != nullptr) {
    after.settled = now.tv_sec != 0 &&
                    settled_before(after.version.modified, now) &&
                    settled_before(after.version.changed, now);
    *read_state = after;
  }
  return true;
}

}  // namespace

bool hash_file(const std::u16string& path, name_bytes form, hash_kind kind,
               std::string& hex_digest, std::u16string& reason,
               std::atomic<std::int64_t>* bytes_done, file_state* read) {
  hex_digest.clear();
  std::string name;
  if (!to_posix_path(path, form, name)) {
    reason = error_text(EINVAL);
    return false;
  }
  // An exported file that is a symbolic link holds nothing itself; a link
  // put in its place after it was looked at must not be followed.
  return hash_system_name(name, kind, false, hex_digest, reason, bytes_done,
                          read);
}

bool hash_input_file(const std::u16string& name, hash_kind kind,
                     std::string& hex_digest, std::u16string& reason,
                     std::atomic<std::int64_t>* bytes_done) {
  hex_digest.clear();
  std::string bytes;
  if (!to_bytes(name, bytes)) {
    reason = error_text(EINVAL);
    return false;
  }
  // The command line may name an input by a link: it is the list meant.
  return hash_system_name(bytes, kind, true, hex_digest, reason, bytes_done,
                          nullptr);
}

void stop_hashing_files() { hashing_stopped.store(true); }

std::int64_t files_read_changing_access_time() { return access_times_unkept; }
