// Digests of files on POSIX, by OpenSSL's libcrypto, which every Linux
// distribution keeps up to date.

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <sys/stat.h>
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

// Digests the file name names (the system's bytes), as hash_file says.
bool hash_system_name(const std::string& name, hash_kind kind,
                      std::string& hex_digest, std::u16string& reason,
                      std::atomic<std::int64_t>* bytes_done) {
  const EVP_MD* digest = digest_of(kind);
  if (digest == nullptr || name.empty()) {
    reason = error_text(EINVAL);
    return false;
  }
  // O_NONBLOCK: a FIFO would otherwise hold the open until a writer came;
  // it is refused below, and on a regular file the flag changes nothing.
  const int descriptor =
      open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) {
    reason = error_text(errno);
    return false;
  }
  const descriptor_guard closer(descriptor);
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
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), value, &length) != 1) {
    reason = crypto_error_text();
    return false;
  }
  lower_hex_of(value, length, hex_digest);
  return true;
}

}  // namespace

bool hash_file(const std::u16string& path, name_bytes form, hash_kind kind,
               std::string& hex_digest, std::u16string& reason,
               std::atomic<std::int64_t>* bytes_done) {
  hex_digest.clear();
  std::string name;
  if (!to_posix_path(path, form, name)) {
    reason = error_text(EINVAL);
    return false;
  }
  return hash_system_name(name, kind, hex_digest, reason, bytes_done);
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
  return hash_system_name(bytes, kind, hex_digest, reason, bytes_done);
}

void stop_hashing_files() { hashing_stopped.store(true); }
