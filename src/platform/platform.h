#pragma once

// The services fldren takes from the operating system. This header and its
// two implementations, platform_windows.cpp and platform_posix.cpp, with
// file_hash.h and its own two, are the only code that knows which system it
// runs on. They may use the pure text rules of src/text/ and nothing else of
// the program.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "text/path_forms.h"
#include "text/text_form.h"

// How wide text from a list becomes a file-system name on POSIX: byte for
// byte when it came from 8-bit text, as UTF-8 when it came from Unicode
// text. Windows takes wide names as they are.
enum class name_bytes { eight_bit, utf8 };

// Resolves name to an absolute path of fewer than limit characters into
// result. Fails, leaving result unchanged, on an empty name or a path that
// does not fit. The file need not exist.
bool resolve_full_path(std::u16string_view name, std::size_t limit,
                       std::u16string& result);

// Opens an existing file for reading its bytes unchanged; null on failure.
std::FILE* open_for_reading(const std::u16string& path);

// The system's words for why the last file call of the platform failed
// (opening, creating, emptying or writing a file), as it says them:
// "No such file or directory" on Linux, FormatMessage's sentence on
// Windows. Empty when the system said nothing. Call it right after the
// failure, before any other call.
std::u16string last_error_text();

// The line end of text files written here: CR LF on Windows, LF elsewhere.
std::u16string_view text_line_end();

// Appends 8-bit text decoded to wide text: byte for byte on POSIX, through
// the ANSI code page on Windows. Never fails.
void decode_8bit(std::string_view bytes, std::u16string& text);

// Appends bytes in a Windows code page (one is_known_code_page accepts but
// 65001, which the pure UTF-8 rules read) decoded to wide text, each byte
// that is no text there carried as unreadable_byte of it, never the page's
// default character. 0 is the system's own reading, decode_8bit. Never
// fails; safe from several threads at once.
void decode_code_page(unsigned code_page, std::string_view bytes,
                      std::u16string& text);

// Whether this system can read text in the code page, one that
// is_known_code_page accepts (a Linux without glibc's conversion modules
// reads none).
bool code_page_readable(unsigned code_page);

// The ANSI code page 8-bit text is read in here without -e: GetACP() on
// Windows; 0 on POSIX, which reads it byte for byte.
unsigned system_code_page();

// Appends wide text encoded as 8-bit text, the inverse of decode_8bit; a
// character that has no 8-bit form becomes "?". Never fails.
void append_8bit_encoded(std::u16string_view text, std::string& bytes);

// Positions the file at offset bytes from its start, beyond 2 GiB too;
// false on failure.
bool seek_file(std::FILE* file, std::int64_t offset);

// Which file a name or an open file leads to, whatever the spelling of the
// name: device and inode on POSIX; on Windows the volume serial number and
// the 128-bit file ID (ReFS reuses 64-bit file indexes). An index of zeros
// means the system did not tell, as some shares do.
struct file_identity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t index_high = 0;
};

// Whether a file ID the system gave names a file: a file system without
// IDs gives 0, and one that cannot establish an ID for a file gives all
// ones, both to be ignored (MS-FSCC 2.1.9 and 2.1.10). A 64-bit index is
// low with wide false; a 128-bit ID is low and high with wide true.
inline bool is_known_file_id(std::uint64_t low, std::uint64_t high, bool wide) {
  constexpr std::uint64_t k_all_ones = ~std::uint64_t{0};
  if (!wide) return low != 0 && low != k_all_ones;
  return !(low == 0 && high == 0) && !(low == k_all_ones && high == k_all_ones);
}

// Whether the identity names a file; an unknown one names none.
inline bool identity_known(const file_identity& identity) {
  return identity.index != 0 || identity.index_high != 0;
}

// True when both identities are known and equal: the same file. An unknown
// identity is the same as nothing, so that a file system that does not
// tell never makes two files one.
inline bool same_identity(const file_identity& a, const file_identity& b) {
  return identity_known(a) && a.volume == b.volume && a.index == b.index &&
         a.index_high == b.index_high;
}

// What a file held when it was seen, as far as the system tells without
// reading it: every write to a file changes its size or its times. Size in
// bytes; the last write to the contents (modified) and to the contents or
// the file's record (changed) in the system's own units: nanoseconds on
// POSIX (st_mtim, st_ctim), 100 ns on Windows (LastWriteTime, ChangeTime).
struct file_version {
  std::int64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
};

inline bool same_version(const file_version& a, const file_version& b) {
  return a.size == b.size && a.modified == b.modified && a.changed == b.changed;
}

// A file as seen at one moment: which file, and its version.
struct file_state {
  file_identity identity;
  file_version version;
  // From state_of_rename_path: the name is itself a symbolic link (on
  // Windows a reparse point that names another, as a symbolic link or a
  // junction does), whose contents lie elsewhere.
  bool symbolic_link = false;
  // From hash_file: when the version was taken its times lay so far
  // behind the clock that any later write must change one, however coarse
  // the file system's clock (FAT keeps 2 s). A file written just before it
  // was read could be written again within the same tick, unseen.
  bool settled = false;
};

// True when a digest of the file as read tells its contents now: the name
// leads to the same file, unchanged since a settled read. Never fails.
inline bool still_as_read(const file_state& read, const file_state& now) {
  return read.settled && !now.symbolic_link &&
         same_identity(read.identity, now.identity) &&
         same_version(read.version, now.version);
}

// The identity of the file the name leads to; false when it cannot be
// learnt (the file does not exist, or cannot be opened to ask).
bool identity_of_name(const std::u16string& path, file_identity& identity);

// What a folder's own file system allows beyond the Windows rules, which
// every build checks anyway. 0 where nothing more is known.
struct folder_limits {
  std::size_t name_bytes = 0;  // the longest name, in the bytes of its form
  std::size_t path_bytes = 0;  // the longest path given to the system
  // A file system Windows reads (NTFS, FAT, exFAT), through a Linux driver:
  // its names must be UTF-8, and a ':' in a name selects a stream.
  bool windows_file_system = false;
  // The folder itself compares names without regard to case (an ext4 or
  // f2fs folder made case-insensitive).
  bool folds_case = false;
  // On Windows, a folder made case-sensitive (fsutil file
  // setCaseSensitiveInfo, as WSL does): a.txt and A.txt are two files.
  bool case_sensitive = false;
};

// Asks the folder, a rename path, what its file system allows; false when
// it cannot tell (the folder is missing). On Windows the Windows rules are
// all there is, and limits stay 0 but for case_sensitive.
bool limits_of_folder(const std::u16string& folder, name_bytes form,
                      folder_limits& limits);

// The length of text, a name or a rename path less its prefix, in the
// units the system counts: bytes of its form on POSIX, UTF-16 units on
// Windows. Never fails.
std::size_t system_length(std::u16string_view text, name_bytes form);

// True when a name of form reaches the system as well-formed UTF-8 (always
// for Unicode text; for 8-bit text, when its bytes happen to be). Never
// fails.
bool reaches_system_as_utf8(std::u16string_view name, name_bytes form);

// name upper-cased as Windows compares names (ordinal, as NTFS's own
// table does), for names of the Windows build and of a file system Windows
// reads. Never fails.
std::u16string upper_case_as_windows(std::u16string_view name);

// Appends the names a folder holds (not '.' and '..'), as text of form;
// false when it cannot be read.
bool list_folder(const std::u16string& folder, name_bytes form,
                 std::vector<std::u16string>& names);

// The identity of an open file; false when the system does not answer.
bool identity_of_file(std::FILE* file, file_identity& identity);

// Opens the file for writing, creating it when it is missing but never
// emptying it, so that it can be compared with other files first; null on
// failure. created tells whether this open made the file.
std::FILE* open_for_writing(const std::u16string& path, bool& created);

// Removes a file named as open_for_writing names it; false on failure.
bool remove_file(const std::u16string& path);

// Cuts an open file to length 0; false on failure.
bool empty_file(std::FILE* file);

// Cuts a regular file to its first length bytes; false on failure.
bool cut_file(std::FILE* file, std::int64_t length);

// The length of an open regular file; false for anything else (a device,
// a pipe) or on failure.
bool regular_file_length(std::FILE* file, std::int64_t& length);

// Writes bytes at offset bytes from the file's start in one call to the
// system, past the standard library's buffer; false unless all were
// written.
bool write_file_at(std::FILE* file, std::int64_t offset,
                   std::string_view bytes);

// Asks the system to put what was written to the file on the disk itself
// (fdatasync; FlushFileBuffers), so that a power loss or a crash of the
// machine keeps it. True when done, or when the file is no disk file
// (a device, a pipe) and holds nothing to keep; false on an error.
bool flush_to_disk(std::FILE* file);

// How this system reads a path, and so how a Destination value becomes the
// path a rename uses. Never fails.
path_style native_path_style();

// How command-line text and names reach the console: UTF-8 on POSIX, where
// the command line is read as UTF-8; the ANSI code page on Windows, whose
// command line is wide text.
text_encoding command_line_encoding();

// Command-line text (a -m value, a folder) as names of form are held:
// unchanged for Unicode text; for 8-bit text on POSIX, its bytes one a
// unit, as an 8-bit list's names are. Never fails.
std::u16string command_text_in_form(std::u16string_view text, name_bytes form);

// The process's current folder, absolute, as the system gives it; false
// when it cannot be learnt.
bool current_folder(std::u16string& folder);

// The identity of the file or folder a rename path leads to, its names
// reaching the system in form; false when it cannot be learnt.
bool identity_of_rename_path(const std::u16string& path, name_bytes form,
                             file_identity& identity);

// The state of what a rename path names, its names reaching the system in
// form, without following a final symbolic link: a link's own state, with
// symbolic_link set. settled stays false. False when it cannot be learnt.
bool state_of_rename_path(const std::u16string& path, name_bytes form,
                          file_state& state);

enum class rename_outcome { renamed, failed, held, needs_link };

// Renames from to to, both rename paths. Never replaces an existing file:
// fails when to exists. A file system that cannot rename with that promise
// (NFS, FUSE; never on Windows) gets needs_link, and nothing is changed:
// rename_by_link is then the way. Does not look at what from is: the
// caller refuses directories first. A rename refused because another
// program holds the file is tried again for about a second when
// wait_when_held is set, and fails with held when it stays so (Windows).
// On failure, reason holds the system's own words for the error.
rename_outcome rename_no_replace(const std::u16string& from,
                                 const std::u16string& to, name_bytes form,
                                 std::u16string& reason,
                                 bool wait_when_held = true);

// Renames by a second name linked to the file, then the removal of the
// old one; link() never replaces. Between the two steps both names lead to
// the file. Fails, leaving the old name in place, when the new name exists
// or the link is refused; reason then holds the system's words. Windows
// has no such rename and always fails.
bool rename_by_link(const std::u16string& from, const std::u16string& to,
                    name_bytes form, std::u16string& reason);

// The system's words for a rename refused because the new name exists, as
// rename_no_replace gives them. Never fails.
std::u16string name_exists_text();

// What a rename path names, without following a final symbolic link.
// missing only when its folder exists and holds no such name; no_folder
// when a folder of the path does not exist, reason then naming the topmost
// one that does not; unknown when the system cannot tell, reason then
// holding the system's own words.
// When stored is given, it receives the last name as the file system holds
// it, where that can differ from the path's spelling (Windows: its case, or
// the long name for an 8.3 alias); it is left as it is elsewhere.
enum class name_kind { missing, file, directory, no_folder, unknown };
name_kind kind_of_name(const std::u16string& path, name_bytes form,
                       std::u16string& reason,
                       std::u16string* stored = nullptr);

// Whether the system lets this process make and remove names in the folder
// that a rename path names, as a rename there needs; false, reason then
// holding the system's words, when it says no. POSIX asks access(); Windows
// answers only at the rename itself, so there this is always true.
bool may_rename_in(const std::u16string& folder, name_bytes form,
                   std::u16string& reason);

// How an administrator set NTFS's tunnelling: how long a name that left a
// folder keeps its creation time for a file renamed into it, and how many
// such names are kept (0 turns it off); each only where it was set
// (MaximumTunnelEntryAgeInSeconds and MaximumTunnelEntries under
// HKLM\SYSTEM\CurrentControlSet\Control\FileSystem). POSIX has none.
struct tunnel_settings {
  bool age_set = false;
  std::uint32_t age_seconds = 0;
  bool entries_set = false;
  std::uint32_t entries = 0;
};

// The machine's tunnelling settings, as a standard user may read them;
// nothing set where they cannot be read. Never fails.
tunnel_settings read_tunnel_settings();

// The creation time of the file a rename path names, as the file system
// keeps it; false where it keeps none or cannot tell (POSIX).
bool creation_time_of(const std::u16string& path, std::uint64_t& time);

// Sets the creation time of the file a rename path names, and nothing else
// of it; false on failure, and where there is none (POSIX).
bool set_creation_time(const std::u16string& path, std::uint64_t time);

// True when both rename paths name one existing file, as hard links do,
// by same_identity.
bool same_file_named(const std::u16string& first, const std::u16string& second,
                     name_bytes form);

// Removes the name of a file (not a directory); false on failure.
bool remove_name(const std::u16string& path, name_bytes form);

enum class console_stream { out, err };

// Writes bytes unchanged to standard output or standard error; false when
// the stream reports an error.
bool write_console(console_stream stream, std::string_view bytes);

// True when the stream is a Windows console window, whose own wide output
// shows every character whatever the code pages; false when redirected, and
// always on POSIX.
bool console_is_window(console_stream stream);

// True when a person watches the stream: a terminal, or a console window.
bool console_is_terminal(console_stream stream);

// True when a person types standard input: a terminal, or a console
// window; false when it is redirected or closed.
bool input_is_terminal();

// Writes wide text through a console window's own wide-character output,
// after what stdio holds. False, writing nothing, when the stream is not a
// console window (redirected, or not on Windows).
bool write_console_window(console_stream stream, std::u16string_view text);

// How many characters a line of the terminal or console window holds; 0
// when the stream is none, or does not tell.
std::size_t console_columns(console_stream stream);

// Clears the screen when standard output is a terminal; does nothing when
// it is redirected, so that no control text lands in a file.
void clear_screen();

// Takes one character from standard input, waiting for it; returns at once
// at end of input.
void wait_for_key();

// From here on Ctrl+C (SIGINT on POSIX; Ctrl+C and Ctrl+Break in a Windows
// console) no longer ends the process at once: it is noted, for
// interrupted() to tell, so that the record in flight is finished and the
// run ends in order. Never fails.
void catch_interrupts();

// True once Ctrl+C was noted after catch_interrupts.
bool interrupted();

// Ends the process with the status; open C streams are flushed and closed.
[[noreturn]] void exit_process(int status);

// Who and where, for a run's record: the name of the user the program
// runs as, and of the computer; empty when the system does not tell.
std::u16string user_name();
std::u16string computer_name();

// The time now in UTC, ISO 8601 to the second ("2026-12-10T02:32:38Z");
// empty when the clock cannot be read.
std::string utc_time_now();
