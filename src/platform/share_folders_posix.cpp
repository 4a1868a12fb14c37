// On a share whose client asks the server for every name (FUSE with no
// entry cache, NFS with lookupcache=none), every component of a path is
// looked up again on each call, a round trip each, so a file eight folders
// deep costs nine round trips a look and eighteen a rename; a folder kept
// open costs one each. A client that trusts its cache of names (sshfs as it
// mounts) walks from the cache either way, and the check below costs it a
// little. On a local disk walking a path is cheaper than that check, and
// absolute paths stay.

#include "platform/share_folders_posix.h"

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdio>
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
struct kept_folder {
  std::string path;
  int descriptor;
};

// A few folders, so that records of folders that alternate keep theirs.
constexpr std::size_t k_folders_kept = 16;

struct kept_folders {
  std::vector<kept_folder> folders;
  ~kept_folders() {
    for (const kept_folder& folder : folders)
      if (folder.descriptor >= 0) close(folder.descriptor);
  }
};

thread_local kept_folders kept;

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
    known.descriptor = open_share_folder(known.path);
    return known.descriptor;
  }
  if (folders.size() == k_folders_kept) {
    if (folders.front().descriptor >= 0) close(folders.front().descriptor);
    folders.erase(folders.begin());
  }
  folders.push_back({std::string(folder), -1});
  folders.back().descriptor = open_share_folder(folders.back().path);
  return folders.back().descriptor;
}
