#pragma once

// The paths a rename uses, made from a Destination value of the export list
// for Windows and for POSIX, and the judgement of such paths read back from a
// journal. Pure text work: no file system, no calls to the operating system,
// so that both builds compile and test both platforms' forms.

#include <string>
#include <string_view>
#include <vector>

// The prefix that makes Windows take a path literally; it stands in front of
// both paths of every rename.
inline constexpr std::u16string_view k_extended_length_prefix = u"\\\\?\\";

// A moved export: Destination values that begin with from begin with to
// instead.
struct path_move {
  std::u16string from;
  std::u16string to;
};

// True when path begins with the extended-length prefix \\?\ .
bool has_extended_prefix(std::u16string_view path);

// path without the extended-length prefix, where it has one.
std::u16string_view without_prefix(std::u16string_view path);

// The path a rename on Windows uses for value: the extended-length prefix
// followed by an absolute path. current_folder is the process's current
// folder as Windows gives it (e.g. C:\work\case, C:\ , or \\server\share\dir),
// absolute, with backslashes. Never fails.
std::u16string windows_rename_path(std::u16string_view value,
                                   std::u16string_view current_folder);

// A full Windows path as _wfullpath gives it (X:\..., \\server\share\...)
// in the extended-length form, which no length limit binds: \\?\X:\... or
// \\?\UNC\server\share\...; a path already so, a device path, or any other
// form comes back as it is. Never fails.
std::u16string extended_form(std::u16string_view path);

// The path a rename on POSIX uses for value, as Linux writes it: '\' made
// '/', and a leading prefix (a list written on Windows, or an output file
// of an earlier fldren, which showed POSIX paths behind it) dropped. Never
// fails.
std::u16string posix_rename_path(std::u16string_view value);

// True when value is relative to the current folder of a drive other than
// current_folder's ('D:a.doc' while in C:\work): cmd.exe keeps a current
// folder for each drive, in variables a program it starts inherits, and
// which folder that is cannot be told for sure. Never fails.
bool is_other_drive_relative(std::u16string_view value,
                             std::u16string_view current_folder);

// Whether a rename path read back from a journal (with or without the prefix)
// depends on the folder it was used in.
bool windows_path_is_relative(std::u16string_view path);
bool posix_path_is_relative(std::u16string_view path);

// A relative rename path of a journal made absolute against folder (an
// absolute folder of that platform); an absolute one comes back as it is,
// on POSIX in posix_rename_path's form.
std::u16string windows_path_against(std::u16string_view path,
                                    std::u16string_view folder);
std::u16string posix_path_against(std::u16string_view path,
                                  std::u16string_view folder);

// The two ways the builds read a path: Windows' (drives, shares, '\' and
// '/' alike, made absolute behind the prefix) and POSIX's (taken as it is,
// '\' read as '/'). Both are pure text, so each build tests both.
enum class path_style { windows, posix };

// The path a rename uses for value in style: windows_rename_path against
// current_folder, or posix_rename_path, which needs no folder. Never fails.
std::u16string rename_path(path_style style, std::u16string_view value,
                           std::u16string_view current_folder);

// windows_path_is_relative or posix_path_is_relative, as style says.
bool rename_path_is_relative(path_style style, std::u16string_view path);

// Whether a rename path of style names its file by a Windows drive or share
// that this machine does not reach as written: on Windows a share, or a
// drive other than current_folder's; on POSIX any drive letter or share
// (a list written on Windows, used where the export is not). Never fails.
bool names_another_drive(path_style style, std::u16string_view path,
                         std::u16string_view current_folder);

// A rename path read back from an output file, in the form this build's
// renames take: posix_rename_path's on POSIX, where earlier versions wrote
// the prefix in front; as it is on Windows. Never fails.
std::u16string journal_path_in_form(path_style style, std::u16string_view path);

// windows_path_against or posix_path_against, as style says.
std::u16string rename_path_against(path_style style, std::u16string_view path,
                                   std::u16string_view folder);

// The folder that holds the last name of path, a rename path of style, as
// a path of the same form: "\\?\C:\a" for "\\?\C:\a\b", the root with
// its separator for a name in the root ("\\?\C:\", "\\?\/"); empty when
// there is no folder above it (a root, a share, a single relative name).
std::u16string_view parent_folder(path_style style, std::u16string_view path);

// The last name of path, a rename path of style: what follows
// parent_folder, without its separator. Never fails.
std::u16string_view last_name(path_style style, std::u16string_view path);

// The name of the run record kept beside the file named path, a path of
// style as the command line gives it: ".run" before the extension of its
// last name ("renamed.txt" gives "renamed.run.txt"), or after a last name
// that has none ("out" gives "out.run", ".txt" gives ".txt.run"). Never
// fails.
std::u16string run_record_name(path_style style, std::u16string_view path);

// The name of the report page kept beside the file named path: its last
// name's extension, if any, replaced by ".report.html" ("renamed.txt"
// gives "renamed.report.html", "out" gives "out.report.html"). Never
// fails.
std::u16string report_page_name(path_style style, std::u16string_view path);

// Puts value, with the beginning of the longest from of moves that it
// begins with replaced by that move's to, in result. A from matches when it
// equals value's beginning, ignoring the case of A to Z and reading '\' and
// '/' alike, and ends at a separator of value or at value's end; a value
// that begins with the extended-length prefix is matched without it when
// from lacks it. to and the rest of value are joined at exactly one
// separator, whatever either side ends or begins with (to's own, else
// value's); an empty to leaves the rest as a relative path. Returns the
// move that matched, or nullptr, leaving result unchanged, when none does.
const path_move* apply_moves(std::u16string_view value,
                             const std::vector<path_move>& moves,
                             std::u16string& result);
