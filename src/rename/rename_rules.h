#pragma once

// Whether a record's file may be renamed, and to what: the paths are
// composed from the record, then every rule of the text and of the file
// that can refuse it is checked, in the real run, the preview and the undo
// alike. (With -c, hash_check adds the file's contents.)

#include "rename/renamer.h"
#include "rename/shared_types.h"
#include "text/name_trim.h"
#include "text/wide_text.h"

// Why a file is left as it is; none when it may be renamed.
enum class refusal {
  none,
  missing_column,         // the record lacks a column the name needs
  unusable_value,         // a NUL, or text of the list that could not be read
  separator_in_value,     // a chosen value would move the file elsewhere
  forbidden_character,    // a chosen value holds what no Windows name holds
  stream,                 // the Destination names a stream of a file
  reserved_name,          // Windows would open a device, not a file
  name_too_long,          // longer than a Windows name can be
  values_too_long,        // -t: too long even with the file's own name cut
  trailing_dot_or_space,  // a name Windows programs cannot open
  path_too_long,          // longer than any Windows path can be
  same_name,              // the new name is the old one, which exists
  no_current_folder,      // a relative value, and the current folder unknown
  other_drive_folder,     // 'D:a.doc' with the current folder on another drive
  no_such_file,           // nothing of the old name exists in its folder
  directory,              // moving it would move everything below it too
  cannot_look,            // the system cannot tell; its reason is the record's
  name_too_long_here,     // longer than the folder's own file system allows
  path_too_long_here,     // longer than the system takes a path
  not_utf8_here,          // 8-bit bytes where the file system needs UTF-8
  case_twin,              // Windows would take the new name for another's
  hash_value,             // -c: the record's hash is no MD5, SHA-1 or SHA-256
  hash_differs,           // -c: the file is not the one the list describes
  symbolic_link,          // -c: the old name is a link; its file lies elsewhere
  hash_stopped,           // -c: Ctrl+C stopped the hash; the record is not
                          // looked at, and -r takes it up
};

// The reason shown for a refusal other than none and cannot_look, whose
// reason is the system's. Never fails.
wide_view refusal_text(refusal refused);

// One record's rename, composed from its columns. first_value is a view
// into the record's line.
struct record_plan {
  wide_text source;
  wide_text destination;
  wide_view first_value;
  refusal refused = refusal::none;
  bool long_path = false;           // a new path most programs cannot open
  wide_text moved_value;            // the Destination value after a move
  const path_move* move = nullptr;  // the -m that moved it, of the options
  wide_text reason;                 // why the rename failed, when it did
  // The first character of a chosen value that no Windows name holds, when
  // that refused the record; 0 otherwise.
  char16_t forbidden = 0;
  // What the old name is, as look_at_source found it, and the system's
  // words when it could not tell.
  name_kind source_kind = name_kind::missing;
  wide_text look_reason;
  // The list's spelling of the old file's last name, when the file system
  // holds it otherwise (its case, or the long name of an 8.3 alias): the
  // source is then composed from the stored name, so that the new name and
  // an undo keep the name that was on disk. Empty otherwise.
  wide_text listed_name;
  // -t: the characters of the new name before it was shortened to fit its
  // folder; 0 when it was not.
  std::size_t shortened_from = 0;
  // The record's line number in the export list, for the report page.
  std::int64_t list_line = 0;
  // -c, when the contents differ: the hash the list holds and the one the
  // file gave. Empty otherwise.
  wide_text listed_hash;
  std::string computed_hash;
};

// Composes the record's source path into plan.source: its Destination
// value, moved as options.moves say, as the path a rename uses, relative
// values taken against folder (the run's working folder; empty when it
// could not be learnt). plan.refused holds what the value alone refuses
// (missing_column, unusable_value, no_current_folder,
// other_drive_folder), none otherwise. Clears plan.listed_name.
void compose_source(const run_options& options, const column_plan& columns,
                    const record_fields& fields, wide_view folder,
                    record_plan& plan);

// Asks names what plan.source is, and when the file system holds its last
// name in another spelling, puts that spelling in plan.source and the
// list's in plan.listed_name. Looks at nothing when compose_source refused
// the value. Changes nothing on the disk.
void look_at_source(const renamer& names, record_plan& plan);

// What a new name in the folder of source must fit, as names knows that
// folder: Windows' units, and the bytes its file system counts, if any.
name_room room_of(const renamer& names, const wide_text& source);

// Composes plan.destination from plan.source: every chosen value (made
// safe when options.safe_names is set) and "_" put in front of the file
// name. Columns the record lacks count as empty text. With options.trim,
// a new name the room cannot hold has its file's base name cut to fit,
// ending with the mark (plan.shortened_from then set). Sets plan.refused
// for the rules that the record's text alone decides, the source's
// refusal among them.
void compose_destination(const run_options& options, const column_plan& columns,
                         const record_fields& fields, const name_room& room,
                         record_plan& plan);

// compose_source and compose_destination in a room of Windows' rules
// alone, the list's spelling kept.
void compose_record(const run_options& options, const column_plan& columns,
                    const record_fields& fields, wide_view folder,
                    record_plan& plan);

// Why the file named by source may not be renamed, as names sees it: none,
// no_such_file, directory, or cannot_look. reason then holds the text to
// report: refusal_text, or the system's words for cannot_look.
refusal check_source(const renamer& names, const wide_text& source,
                     wide_text& reason);

// Why the planned rename may not be made, after look_at_source: the
// text's rules first, then the file's; plan.reason as check_source gives
// it. Never changes anything on the disk.
refusal check_record(record_plan& plan, const renamer& names);
