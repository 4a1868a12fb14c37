#pragma once

// Folders on a share kept open, so that a record's look and rename are made
// relative to its folder instead of walking its whole path again; and, for
// a folder of many records, its names read once, so that a record's look
// needs no round trip at all.

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

// Whether path's folder, as share_folder_of last gave it, was read whole
// and held path's last name as a name of anything but a folder, not taken
// away since by a rename or removal of this process (note_name_left): then
// that name is there with no round trip. False whenever the listing cannot
// say (no listing, a name that came after it, a folder, a type the listing
// does not give), and the system must be asked. Each such asking counts:
// a folder is read once its records' lookings would cost more than the
// reading does, so that a folder of a few records among many files is
// never read whole.
bool listed_as_file(const std::string& path);

// Tells the listing of path's folder that path's last name left it, by a
// rename or removal of this process that succeeded.
void note_name_left(const std::string& path);

// Tells the listing of path's folder that a rename of path found no such
// name: where the listing held it, another program changed the folder since
// it was read, and it is read again only after as many lookings as at first.
void note_name_not_found(const std::string& path);
