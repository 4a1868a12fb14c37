#pragma once

// The seam between deciding a rename and making it. The real renamer asks
// the file system and renames; the preview renamer answers from a model of
// the names that earlier records of the run took and freed, over the real
// file system, and renames nothing. Everything above the seam is the same
// for both, so a preview's outcome for every record is the real run's.

#include <chrono>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "journal/journal.h"
#include "platform/platform.h"
#include "text/text_form.h"
#include "text/wide_text.h"

enum class renamer_mode { real, preview };

// Windows' own tunnelling window, where no administrator changed it.
inline constexpr auto k_tunnel_window = std::chrono::seconds(15);

struct renamer {
  renamer_mode mode = renamer_mode::real;
  name_bytes form = name_bytes::eight_bit;  // how names reach the system
  // A file another program holds is waited for (about a second) until
  // k_held_in_a_row records in a row stayed held through the wait: a
  // program holding every file would otherwise stall the run for hours.
  bool wait_when_held = true;
  int held_in_a_row = 0;
  // NTFS "tunnelling": for tunnel_window after a name leaves a folder, a
  // file renamed into that name is given the creation time of the file
  // that left it. The names the run's renames left, with when, are kept where
  // the system does so (Windows), so that a file renamed into one keeps
  // its own creation time.
  bool keep_creation_times = false;
  std::chrono::seconds tunnel_window = k_tunnel_window;
  std::unordered_map<wide_text, std::chrono::steady_clock::time_point>
      left_names;
  std::int64_t creation_times_restored = 0;
  // The preview's model: names earlier records would have taken, and
  // names they would have freed, by name_key.
  std::unordered_set<wide_text> taken;
  std::unordered_set<wide_text> freed;
  // The key of each folder met, by the folder's text: asked once.
  mutable std::unordered_map<wide_text, wide_text> folder_keys;
  // What each folder met allows, by the folder's text: asked once.
  mutable std::unordered_map<wide_text, folder_limits> folder_rules;
  // The preview's answer for each folder met, by the folder's text: empty
  // where the run may rename in it, the system's reason where it may not.
  // Asked once: on a share each asking walks the folder's whole path.
  std::unordered_map<wide_text, wide_text> write_refusals;
  // The names of each folder met on a file system Windows reads through
  // Linux, upper-cased as Windows compares them: the Linux driver tells
  // apart names that Windows takes for one. Read once, kept in step with
  // the renames.
  mutable std::unordered_map<wide_text, std::unordered_set<wide_text>>
      windows_names;
};

// What the folder of path, a rename path, allows beyond the Windows rules:
// asked of the file system once per folder. All 0 when it cannot tell.
const folder_limits& limits_of(const renamer& names, const wide_text& path);

// The key by which the file system tells names apart: the identity of the
// folder (whatever spelling, separators, '.' or '..' lead to it) and the
// last name as the file system compares it (upper-cased on Windows). Two
// rename paths of one file have one key. A folder whose identity cannot be
// learnt is keyed by its text.
wide_text name_key(const renamer& names, const wide_text& path);

inline constexpr int k_held_in_a_row = 3;

// How long after a name leaves a folder NTFS gives its creation time to a
// file renamed into it, as the machine's settings say: none when its
// entries are set to 0, their age when set, else Windows' 15 seconds.
std::chrono::seconds tunnel_window_of(const tunnel_settings& settings);

// True when an earlier rename of the run left the name path, less than
// names.tunnel_window before now: NTFS may give a file renamed into it
// that file's creation time. Never fails.
bool left_recently(const renamer& names, const wide_text& path,
                   std::chrono::steady_clock::time_point now);

// Whether names in a folder of these limits compare as Windows compares
// them, case aside: on Windows unless the folder was made case-sensitive;
// on Linux on a file system Windows reads, or in a case-folding folder.
bool names_fold_case(path_style style, const folder_limits& limits);

// How names read from text of this encoding reach a POSIX file system.
name_bytes name_bytes_of(text_encoding encoding);

// True when path's folder is on a file system Windows reads through Linux
// and holds a name that Windows takes for path's last name: that name, or
// the same but for case. Always false on the Windows build, where the system
// itself compares so.
bool case_twin_exists(const renamer& names, const wide_text& path);

// What the rename path names, as the run so far has left it; for unknown,
// reason says why the system cannot tell. stored, when given, receives the
// last name as the file system holds it where the system tells it.
name_kind kind_of(const renamer& names, const wide_text& path,
                  wide_text& reason, wide_text* stored = nullptr);

// Renames from to to, never replacing an existing name; in a preview,
// records the outcome the rename would have, so that later records see it.
// Where the file system renames without replacing only by a link and the
// removal of the old name, log's line in flight reads "Linking" before the
// link is made, and no link is made when that cannot be written. On
// failure, reason holds the system's words for it (in a preview, the words
// the system would use).
bool rename_file(renamer& names, journal& log, const wide_text& from,
                 const wide_text& to, wide_text& reason);

// What became of a rename from to to that was begun and not seen to end
// (its line left reading "Pending" or "Linking"), as names sees the disk
// now. fldren-undo, -r and a preview of -r all decide by this.
enum class flight_end {
  not_made,      // the old name is there and the new one is not
  made,          // the new name is there and the old one is not
  linked_twice,  // "Linking" only: both names lead to the one file
  both_names,    // both names are there, and no link of the run explains it
  no_name,       // neither name is there
};
flight_end settle_in_flight(const renamer& names, const wide_text& from,
                            const wide_text& to, line_result result);

// Removes path, one of the two names a rename by link left on one file
// (linked_twice); in a preview, the model takes it as gone. False, with
// the name left, when the system refuses.
bool remove_second_name(renamer& names, const wide_text& path);
