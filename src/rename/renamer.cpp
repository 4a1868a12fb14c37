#include "rename/renamer.h"

#include <cstdint>

#include "console/text_output.h"
#include "text/path_forms.h"

std::chrono::seconds tunnel_window_of(const tunnel_settings& settings) {
  if (settings.entries_set && settings.entries == 0)
    return std::chrono::seconds(0);
  return settings.age_set ? std::chrono::seconds(settings.age_seconds)
                          : k_tunnel_window;
}

bool names_fold_case(path_style style, const folder_limits& limits) {
  if (style == path_style::windows) return !limits.case_sensitive;
  return limits.windows_file_system || limits.folds_case;
}

name_bytes name_bytes_of(text_encoding encoding) {
  return encoding == text_encoding::eight_bit ? name_bytes::eight_bit
                                              : name_bytes::utf8;
}

namespace {

// The folder that holds path's last name, as a rename path: the current
// folder for a single relative name.
wide_text folder_of(const wide_text& path) {
  const wide_view folder = parent_folder(native_path_style(), path);
  if (!folder.empty() || last_name(native_path_style(), path).empty())
    return wide_text(folder);
  return u".";
}

bool folds_case(const renamer& names, const wide_text& path) {
  return names_fold_case(native_path_style(), limits_of(names, path));
}

}  // namespace

wide_text name_key(const renamer& names, const wide_text& path) {
  const wide_text folder = folder_of(path);
  const wide_view name = last_name(native_path_style(), path);
  auto known = names.folder_keys.find(folder);
  if (known == names.folder_keys.end()) {
    file_identity identity;
    wide_text key;
    if (!folder.empty() &&
        identity_of_rename_path(folder, names.form, identity) &&
        same_identity(identity, identity)) {
      // The identity itself, four units a number: a preview holds a key
      // for every name it renames, so keys are kept short.
      for (std::uint64_t part :
           {identity.volume, identity.index, identity.index_high})
        for (int shift = 48; shift >= 0; shift -= 16)
          key += static_cast<char16_t>((part >> shift) & 0xFFFF);
      key += u':';
    } else {
      key = u"?" + folder + u":";
    }
    known = names.folder_keys.emplace(folder, key).first;
  }
  return known->second + (folds_case(names, path) ? upper_case_as_windows(name)
                                                  : wide_text(name));
}

bool case_twin_exists(const renamer& names, const wide_text& path) {
  if (native_path_style() == path_style::windows ||
      !limits_of(names, path).windows_file_system)
    return false;
  const wide_text folder = folder_of(path);
  auto listing = names.windows_names.find(folder);
  if (listing == names.windows_names.end()) {
    std::vector<wide_text> held;
    std::unordered_set<wide_text> upper;
    if (list_folder(folder, names.form, held))
      for (const wide_text& name : held)
        upper.insert(upper_case_as_windows(name));
    listing = names.windows_names.emplace(folder, std::move(upper)).first;
  }
  return listing->second.count(
             upper_case_as_windows(last_name(native_path_style(), path))) != 0;
}

const folder_limits& limits_of(const renamer& names, const wide_text& path) {
  const wide_text folder = folder_of(path);
  auto known = names.folder_rules.find(folder);
  if (known == names.folder_rules.end()) {
    folder_limits limits;
    if (folder.empty() || !limits_of_folder(folder, names.form, limits))
      limits = folder_limits{};
    known = names.folder_rules.emplace(folder, limits).first;
  }
  return known->second;
}

namespace {

// Keeps the listing of a folder that case_twin_exists read in step with a
// rename made or modelled in it.
void note_renamed(const renamer& names, const wide_text& from,
                  const wide_text& to) {
  const auto listing = names.windows_names.find(folder_of(from));
  if (listing == names.windows_names.end()) return;
  listing->second.erase(
      upper_case_as_windows(last_name(native_path_style(), from)));
  listing->second.insert(
      upper_case_as_windows(last_name(native_path_style(), to)));
}

}  // namespace

name_kind kind_of(const renamer& names, const wide_text& path,
                  wide_text& reason, wide_text* stored) {
  if (names.mode == renamer_mode::preview) {
    const wide_text key = name_key(names, path);
    if (names.taken.count(key) != 0) return name_kind::file;
    if (names.freed.count(key) != 0) return name_kind::missing;
  }
  return kind_of_name(path, names.form, reason, stored);
}

bool left_recently(const renamer& names, const wide_text& path,
                   std::chrono::steady_clock::time_point now) {
  const auto left = names.left_names.find(name_key(names, path));
  return left != names.left_names.end() &&
         now - left->second < names.tunnel_window;
}

namespace {

// Notes that a rename left from's name, and forgets names left longer ago
// than the window, so that the table stays small.
void note_left(renamer& names, const wide_text& from,
               std::chrono::steady_clock::time_point now) {
  if (names.left_names.size() > 4096)
    for (auto at = names.left_names.begin(); at != names.left_names.end();)
      at = now - at->second < names.tunnel_window ? std::next(at)
                                                  : names.left_names.erase(at);
  names.left_names[name_key(names, from)] = now;
}

}  // namespace

namespace {

// The held-file policy: after k_held_in_a_row records in a row stayed held
// through their wait, held files are no longer waited for, and the run
// says so once.
void note_held(renamer& names, rename_outcome outcome) {
  names.held_in_a_row =
      outcome == rename_outcome::held ? names.held_in_a_row + 1 : 0;
  if (!names.wait_when_held || names.held_in_a_row != k_held_in_a_row) return;
  names.wait_when_held = false;
  write_console_text(console_stream::out,
                     u"\nThree files in a row stayed held by another "
                     u"program through a second of tries; from here on "
                     u"a held file is not waited for\n");
}

// The real renamer: renames on the disk, never replacing.
bool rename_on_disk(renamer& names, journal& log, const wide_text& from,
                    const wide_text& to, wide_text& reason) {
  const auto now = std::chrono::steady_clock::now();
  // Read before the rename, for the rare file renamed into a name the run
  // has just left.
  std::uint64_t created = 0;
  const bool may_tunnel = names.keep_creation_times &&
                          left_recently(names, to, now) &&
                          creation_time_of(from, created);
  const rename_outcome outcome =
      rename_no_replace(from, to, names.form, reason, names.wait_when_held);
  note_held(names, outcome);
  if (outcome == rename_outcome::failed || outcome == rename_outcome::held)
    return false;
  if (outcome == rename_outcome::needs_link) {
    if (!journal_linking(log)) {
      reason = u"The output file could not be written";
      return false;
    }
    if (!rename_by_link(from, to, names.form, reason)) return false;
  }
  note_renamed(names, from, to);
  if (names.keep_creation_times) {
    std::uint64_t now_created = 0;
    if (may_tunnel && creation_time_of(to, now_created) &&
        now_created != created && set_creation_time(to, created))
      ++names.creation_times_restored;
    note_left(names, from, now);
  }
  return true;
}

// The preview's renamer: the rules have seen the old name exist, so only
// the new one can stand in the way; the model then holds the outcome.
bool rename_in_model(renamer& names, const wide_text& from, const wide_text& to,
                     wide_text& reason) {
  // A new name the system cannot even look at would fail the rename too,
  // for the same reason.
  wide_text why;
  switch (kind_of(names, to, why)) {
    case name_kind::missing:
      break;
    case name_kind::no_folder:
    case name_kind::unknown:
      reason = why;
      return false;
    case name_kind::file:
    case name_kind::directory:
      reason = name_exists_text();
      return false;
  }
  // A folder the run may not write fails every rename in it.
  const wide_text folder = folder_of(from);
  auto refusal = names.write_refusals.find(folder);
  if (refusal == names.write_refusals.end()) {
    wide_text denied;
    if (may_rename_in(folder, names.form, denied)) denied.clear();
    refusal = names.write_refusals.emplace(folder, std::move(denied)).first;
  }
  if (!refusal->second.empty()) {
    reason = refusal->second;
    return false;
  }
  const wide_text from_key = name_key(names, from);
  const wide_text to_key = name_key(names, to);
  names.taken.erase(from_key);
  names.freed.insert(from_key);
  names.freed.erase(to_key);
  names.taken.insert(to_key);
  note_renamed(names, from, to);
  return true;
}

}  // namespace

bool rename_file(renamer& names, journal& log, const wide_text& from,
                 const wide_text& to, wide_text& reason) {
  return names.mode == renamer_mode::real
             ? rename_on_disk(names, log, from, to, reason)
             : rename_in_model(names, from, to, reason);
}

flight_end settle_in_flight(const renamer& names, const wide_text& from,
                            const wide_text& to, line_result result) {
  wide_text unused;
  const bool old_exists = kind_of(names, from, unused) != name_kind::missing;
  const bool new_exists = kind_of(names, to, unused) != name_kind::missing;
  if (old_exists != new_exists)
    return old_exists ? flight_end::not_made : flight_end::made;
  if (!old_exists) return flight_end::no_name;
  // The word alone says that the run made a link: two names that were
  // there before the run are never taken for one.
  if (result == line_result::linking && same_file_named(to, from, names.form))
    return flight_end::linked_twice;
  return flight_end::both_names;
}

bool remove_second_name(renamer& names, const wide_text& path) {
  if (names.mode == renamer_mode::preview) {
    names.taken.erase(name_key(names, path));
    names.freed.insert(name_key(names, path));
    return true;
  }
  return remove_name(path, names.form);
}
