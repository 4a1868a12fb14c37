// On a share whose client asks the server for every name (FUSE with no
// entry cache, NFS with lookupcache=none), every component of a path is
// looked up again on each call, a round trip each, so a file eight folders
// deep costs nine round trips a look and eighteen a rename; a folder kept
// open costs one each. A client that trusts its cache of names (sshfs as it
// mounts) walks from the cache either way, and the check below costs it a
// little. On a local disk walking a path is cheaper than that check, and
// absolute paths stay.
//
// A look at a name (fstatat) still costs a round trip or two, even relative
// to the folder. One reading of the folder (a few hundred names a round
// trip) answers the looks of all its records at once: a name the listing
// holds as anything but a folder is there, since byte for byte the same
// name is the same entry to any file system. Everything else (a name not
// in the listing, a folder, a name this process renamed away) is asked of
// the system as before, so the listing only ever spares a call whose
// answer it already has. What it cannot see is another program changing
// the folder after the reading: a file removed then fails at its rename
// (the record fails, with the system's words for it, and the listing is
// dropped), and a file replaced by a folder of the same name would be
// renamed as the file was; both are outside changes to an export during
// its renaming, which an absolute-path look narrows but never closes.

#include "platform/share_folders_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

bool is_share_type(long type) {
  switch (static_cast<unsigned long>(type) & 0xFFFFFFFFul) {
    case 0x6969ul:      // NFS
    case 0x517Bul:      // SMB
    case 0xFF534D42ul:  // CIFS
    case 0xFE534D42ul:  // SMB2
    case 0x65735546ul:  // FUSE (sshfs, and every other FUSE file system)
    case 0x01021997ul:  // 9P
    case 0x00C36400ul:  // Ceph
    case 0x5346414Ful:  // AFS
    case 0x73757245ul:  // Coda
      return true;
    default:
      return false;
  }
}

std::string_view last_name_of(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (path.empty() || path[0] != '/' || slash == std::string_view::npos)
    return {};
  const std::string_view name = path.substr(slash + 1);
  if (name == "." || name == "..") return {};
  return name;
}

namespace {

// A folder of a recent record: its path, and its descriptor, or -1 where
// its calls go by path (a local disk, or a path the kernel spells another
// way, through a symbolic link or "..").
//
// Its listing, once read: a key of each name of anything but a folder, its
// hash with the last bit set once this process took the name away, sorted;
// 8 bytes a name, 8 MB for a million names (up to 16 MB while it is read).
// A missing name whose hash a listed one shares (at a million names, about
// one chance in ten million million) is taken for present, and fails at its
// rename as a file removed after the reading does.
struct kept_folder {
  std::string path;
  int descriptor = -1;
  std::uint64_t looks = 0;    // lookings asked of the system since opened
  std::uint64_t read_at = 0;  // the number of lookings that pay a reading
  bool listed = false;
  std::vector<std::uint64_t> names;
};

// A few folders, so that records of folders that alternate keep theirs.
constexpr std::size_t k_folders_kept = 16;

// A looking costs one or two round trips, and one round trip of a reading
// brings a hundred names or more: a folder is read once it has had
// k_looks_before_reading lookings, and only as far as k_names_a_look names
// for each looking so far. A folder found larger than that is tried again
// after twice as many lookings, so that what partial readings cost stays
// within what the lookings themselves cost.
constexpr std::uint64_t k_looks_before_reading = 8;
constexpr std::uint64_t k_names_a_look = 256;

constexpr std::uint64_t k_gone = 1;

std::uint64_t key_of(std::string_view name) {
  return static_cast<std::uint64_t>(std::hash<std::string_view>()(name)) &
         ~k_gone;
}

bool key_less(std::uint64_t left, std::uint64_t right) {
  return (left & ~k_gone) < (right & ~k_gone);
}

struct kept_folders {
  std::vector<kept_folder> folders;
  ~kept_folders() {
    for (const kept_folder& folder : folders)
      if (folder.descriptor >= 0) close(folder.descriptor);
  }
};

thread_local kept_folders kept;

// The kept folder of path's folder, if any.
kept_folder* kept_folder_of(const std::string& path) {
  const std::string_view name = last_name_of(path);
  if (name.empty()) return nullptr;
  const std::string_view folder(path.data(), path.size() - name.size() - 1);
  for (kept_folder& known : kept.folders)
    if (known.path == folder) return &known;
  return nullptr;
}

// A kept folder opened anew (the path now leads to another folder, or
// to none) starts with no listing and no lookings.
void reopen(kept_folder& folder, int descriptor) {
  folder.descriptor = descriptor;
  folder.looks = 0;
  folder.read_at = k_looks_before_reading;
  folder.listed = false;
  folder.names = {};
}

// Reads folder's names, up to limit entries; false, with nothing kept, when
// it holds more or cannot be read whole.
bool read_names(kept_folder& folder, std::uint64_t limit) {
  const int readable =
      openat(folder.descriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (readable < 0) return false;
  DIR* listing = fdopendir(readable);
  if (listing == nullptr) {
    close(readable);
    return false;
  }
  std::vector<std::uint64_t> names;
  std::uint64_t entries = 0;
  bool whole = true;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(listing);
    if (entry == nullptr) {
      whole = errno == 0;
      break;
    }
    if (++entries > limit) {
      whole = false;
      break;
    }
    // A folder is always asked for; so is a name whose type the file
    // system does not give with its listing.
    if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) continue;
    names.push_back(key_of(entry->d_name));
  }
  closedir(listing);
  if (!whole) return false;
  std::sort(names.begin(), names.end(), key_less);
  folder.names.swap(names);
  folder.listed = true;
  return true;
}

// Where path's key is among folder's listing, or nullptr.
std::uint64_t* listed_key(kept_folder& folder, const std::string& path) {
  if (!folder.listed) return nullptr;
  const std::uint64_t key = key_of(last_name_of(path));
  const auto found =
      std::lower_bound(folder.names.begin(), folder.names.end(), key, key_less);
  if (found == folder.names.end() || (*found & ~k_gone) != key) return nullptr;
  return &*found;
}

// Whether the kernel sees the folder open on descriptor at path: it keeps,
// for each open folder, where it now is, and follows every move made
// through it, with no round trip.
bool still_at(int descriptor, const std::string& path) {
  char link[32];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  std::string seen(path.size() + 1, '\0');
  const ssize_t length = readlink(link, seen.data(), seen.size());
  return length == static_cast<ssize_t>(path.size()) &&
         seen.compare(0, path.size(), path) == 0;
}

// Opens path's folder when it is a share and the kernel spells it as path
// does; -1 otherwise.
int open_share_folder(const std::string& path) {
  struct statfs system;
  if (statfs(path.c_str(), &system) != 0 || !is_share_type(system.f_type))
    return -1;
  const int descriptor =
      open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (descriptor < 0) return -1;
  if (still_at(descriptor, path)) return descriptor;
  close(descriptor);
  return -1;
}

}  // namespace

int share_folder_of(const std::string& path) {
  const std::string_view name = last_name_of(path);
  if (name.empty()) return -1;
  // The root's files keep their absolute paths: there is no walk to save.
  const std::size_t length = path.size() - name.size() - 1;
  if (length == 0) return -1;
  const std::string_view folder(path.data(), length);
  std::vector<kept_folder>& folders = kept.folders;
  for (kept_folder& known : folders) {
    if (known.path != folder) continue;
    if (known.descriptor < 0 || still_at(known.descriptor, known.path))
      return known.descriptor;
    // Moved, removed or replaced since: the folder now at the path, if any,
    // is the one the record names.
    close(known.descriptor);
    reopen(known, open_share_folder(known.path));
    return known.descriptor;
  }
  if (folders.size() == k_folders_kept) {
    if (folders.front().descriptor >= 0) close(folders.front().descriptor);
    folders.erase(folders.begin());
  }
  folders.emplace_back();
  folders.back().path = folder;
  reopen(folders.back(), open_share_folder(folders.back().path));
  return folders.back().descriptor;
}

bool listed_as_file(const std::string& path) {
  kept_folder* folder = kept_folder_of(path);
  if (folder == nullptr || folder->descriptor < 0) return false;
  const std::uint64_t* key = listed_key(*folder, path);
  if (key != nullptr && (*key & k_gone) == 0) return true;
  if (folder->listed) return false;
  if (++folder->looks < folder->read_at) return false;
  if (!read_names(*folder, folder->looks * k_names_a_look)) {
    folder->read_at = folder->looks * 2;
    return false;
  }
  key = listed_key(*folder, path);
  return key != nullptr && (*key & k_gone) == 0;
}

void note_name_left(const std::string& path) {
  kept_folder* folder = kept_folder_of(path);
  if (folder == nullptr) return;
  if (std::uint64_t* key = listed_key(*folder, path)) *key |= k_gone;
}

void note_name_not_found(const std::string& path) {
  kept_folder* folder = kept_folder_of(path);
  if (folder == nullptr) return;
  const std::uint64_t* key = listed_key(*folder, path);
  if (key == nullptr || (*key & k_gone) != 0) return;
  const std::uint64_t looks = folder->looks;
  folder->listed = false;
  folder->names = {};
  folder->read_at = looks + std::max(looks, k_looks_before_reading);
}
