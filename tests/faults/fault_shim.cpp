// An LD_PRELOAD shim that makes the C library fail on cue, so that the
// real binary's error paths can be driven: writes and reads of files (not
// of the console) failing after a count, renames refused for permission,
// a file system refusing RENAME_NOREPLACE, and hard links refused.
//
//   FLDREN_FAULT_WRITES=N     file writes after the first N fail (ENOSPC)
//   FLDREN_FAULT_SHORT=N      the Nth positioned write writes 3 bytes only,
//                             and the one after it fails (ENOSPC)
//   FLDREN_FAULT_READS=N      file reads after the first N fail (EIO)
//   FLDREN_FAULT_DENY=TEXT    renames of a name holding TEXT fail (EACCES)
//   FLDREN_FAULT_NOREPLACE=1  renames asking not to replace fail (EINVAL)
//   FLDREN_FAULT_LINK=1       hard links fail (EPERM)
//   FLDREN_FAULT_SWAP=A       after the first rename (by renameat2, or by
//                             a link and the old name's removal), another
//                             program moves folder A to A.moved and makes
//                             a new, empty folder A
//   FLDREN_FAULT_RECORD=1     every write to a run record fails (ENOSPC)
//   FLDREN_FAULT_REWRITE=TEXT the first time a file whose name holds TEXT,
//                             opened for reading only, is closed, another
//                             program overwrites its first byte in place
//                             (same size, same inode), as dd conv=notrunc
//
// Writes to a run record (a name holding ".run.") or a report page (one
// holding ".report.html") are not counted by FLDREN_FAULT_WRITES or
// FLDREN_FAULT_SHORT: those count the writes of the output file and the
// undo log.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int k_max_failed = 16;
FILE* failed_streams[k_max_failed];
int failed_count = 0;
long writes_done = 0;
long reads_done = 0;
long positioned_writes = 0;

template <typename function>
function next(const char* name) {
  return reinterpret_cast<function>(dlsym(RTLD_NEXT, name));
}

long limit(const char* variable) {
  const char* value = std::getenv(variable);
  return value == nullptr ? -1 : std::atol(value);
}

bool is_console(FILE* stream) {
  return stream == stdout || stream == stderr || stream == stdin;
}

void mark_failed(FILE* stream) {
  if (failed_count < k_max_failed) failed_streams[failed_count++] = stream;
}

bool has_failed(FILE* stream) {
  for (int i = 0; i < failed_count; ++i)
    if (failed_streams[i] == stream) return true;
  return false;
}

std::atomic<bool> rewritten{false};

// The name of an open file, from /proc; false when it has none.
bool name_of(int descriptor, char (&path)[4096]) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  const ssize_t length = readlink(link, path, sizeof path - 1);
  if (length < 0) return false;
  path[length] = '\0';
  return true;
}

bool is_run_record(int descriptor) {
  char path[4096];
  return name_of(descriptor, path) && std::strstr(path, ".run.") != nullptr;
}

bool is_report_page(int descriptor) {
  char path[4096];
  return name_of(descriptor, path) &&
         std::strstr(path, ".report.html") != nullptr;
}

// True when this call is past the allowed count of its kind.
bool past_limit(const char* variable, long& done) {
  const long allowed = limit(variable);
  return allowed >= 0 && done++ >= allowed;
}

// Whether a hard link was made: the start of a rename by a link.
bool linked = false;

// After the first rename, FLDREN_FAULT_SWAP's folder moves away and an
// empty one takes its place, as another program would do it.
void swap_folder() {
  static bool swapped = false;
  const char* swap = std::getenv("FLDREN_FAULT_SWAP");
  if (swap == nullptr || swapped) return;
  swapped = true;
  char moved[4096];
  snprintf(moved, sizeof moved, "%s.moved", swap);
  using real = int (*)(int, const char*, int, const char*, unsigned int);
  static const real real_renameat2 = next<real>("renameat2");
  real_renameat2(AT_FDCWD, swap, AT_FDCWD, moved, 0);
  mkdir(swap, 0777);
}

}  // namespace

extern "C" {

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  if (!is_console(stream) &&
      (has_failed(stream) || past_limit("FLDREN_FAULT_WRITES", writes_done))) {
    mark_failed(stream);
    errno = ENOSPC;
    return 0;
  }
  using real = size_t (*)(const void*, size_t, size_t, FILE*);
  static const real real_fwrite = next<real>("fwrite");
  return real_fwrite(data, size, count, stream);
}

size_t fread(void* data, size_t size, size_t count, FILE* stream) {
  if (!is_console(stream) &&
      (has_failed(stream) || past_limit("FLDREN_FAULT_READS", reads_done))) {
    mark_failed(stream);
    errno = EIO;
    return 0;
  }
  using real = size_t (*)(void*, size_t, size_t, FILE*);
  static const real real_fread = next<real>("fread");
  return real_fread(data, size, count, stream);
}

// The output file's lines are written in place, past stdio.
ssize_t pwrite64(int descriptor, const void* data, size_t size, off64_t at) {
  using real = ssize_t (*)(int, const void*, size_t, off64_t);
  static const real real_pwrite = next<real>("pwrite64");
  if (descriptor > 2 && is_report_page(descriptor))
    return real_pwrite(descriptor, data, size, at);
  if (descriptor > 2 && is_run_record(descriptor)) {
    if (std::getenv("FLDREN_FAULT_RECORD") == nullptr)
      return real_pwrite(descriptor, data, size, at);
    errno = ENOSPC;
    return -1;
  }
  if (descriptor > 2 && past_limit("FLDREN_FAULT_WRITES", writes_done)) {
    errno = ENOSPC;
    return -1;
  }
  const long short_at = limit("FLDREN_FAULT_SHORT");
  if (descriptor > 2 && short_at > 0) {
    ++positioned_writes;
    if (positioned_writes == short_at && size > 3) size = 3;
    if (positioned_writes == short_at + 1) {
      errno = ENOSPC;
      return -1;
    }
  }
  return real_pwrite(descriptor, data, size, at);
}

ssize_t pwrite(int descriptor, const void* data, size_t size, off_t at) {
  return pwrite64(descriptor, data, size, at);
}

int ferror(FILE* stream) {
  if (has_failed(stream)) return 1;
  using real = int (*)(FILE*);
  static const real real_ferror = next<real>("ferror");
  return real_ferror(stream);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to,
              unsigned int flags) {
  const char* deny = std::getenv("FLDREN_FAULT_DENY");
  if (deny != nullptr && std::strstr(from, deny) != nullptr) {
    errno = EACCES;
    return -1;
  }
  if (std::getenv("FLDREN_FAULT_NOREPLACE") != nullptr &&
      (flags & RENAME_NOREPLACE) != 0) {
    errno = EINVAL;
    return -1;
  }
  using real = int (*)(int, const char*, int, const char*, unsigned int);
  static const real real_renameat2 = next<real>("renameat2");
  const int result = real_renameat2(from_dir, from, to_dir, to, flags);
  if (result == 0) swap_folder();
  return result;
}

// Reads that hash a file open and close it themselves, past stdio, so the
// moment after a read is the close.
int close(int descriptor) {
  using real = int (*)(int);
  static const real real_close = next<real>("close");
  const char* rewrite = std::getenv("FLDREN_FAULT_REWRITE");
  char path[4096];
  const bool reading = descriptor > 2 && rewrite != nullptr &&
                       (fcntl(descriptor, F_GETFL) & O_ACCMODE) == O_RDONLY &&
                       name_of(descriptor, path) &&
                       std::strstr(path, rewrite) != nullptr;
  const int result = real_close(descriptor);
  if (reading && !rewritten.exchange(true)) {
    const int writer = open(path, O_WRONLY);
    if (writer >= 0) {
      using real_write = ssize_t (*)(int, const void*, size_t, off64_t);
      static const real_write real_pwrite = next<real_write>("pwrite64");
      real_pwrite(writer, "#", 1, 0);
      real_close(writer);
    }
  }
  return result;
}

int linkat(int from_dir, const char* from, int to_dir, const char* to,
           int flags) {
  if (std::getenv("FLDREN_FAULT_LINK") != nullptr) {
    errno = EPERM;
    return -1;
  }
  using real = int (*)(int, const char*, int, const char*, int);
  static const real real_linkat = next<real>("linkat");
  const int result = real_linkat(from_dir, from, to_dir, to, flags);
  if (result == 0) linked = true;
  return result;
}

// A rename by a link ends when the old name is removed: on a file system
// that refuses a no-replace rename (ntfs-3g), that is the first rename.
int unlinkat(int dir, const char* name, int flags) {
  using real = int (*)(int, const char*, int);
  static const real real_unlinkat = next<real>("unlinkat");
  const int result = real_unlinkat(dir, name, flags);
  if (result == 0 && linked) swap_folder();
  return result;
}

}  // extern "C"
