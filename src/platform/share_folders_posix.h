#pragma once

// Folders on a share kept open, so that a record's look and rename are made
// relative to its folder instead of walking its whole path again.

#include <string>
#include <string_view>

// Whether a file system of this statfs type serves every call from another
// process or machine (NFS, SMB/CIFS, FUSE, 9P, Ceph, AFS, Coda), where each
// component of a path walked may be a round trip.
bool is_share_type(long type);

// The last name of an absolute path that names a file of a folder:
// path's bytes after its last '/', or empty for a path that is relative,
// ends in '/', or whose last name is "." or "..".
std::string_view last_name_of(std::string_view path);

// A descriptor of the folder that holds path's last name, open on it, when
// the folder is on a share and the kernel sees that descriptor's folder at
// the very path given now; -1 otherwise, and then only path itself may be
// used. Checked on every call, so that a folder moved or replaced midway is
// never renamed in under a path that no longer names it. The descriptor
// stays the caller's thread's; never close it.
int share_folder_of(const std::string& path);
