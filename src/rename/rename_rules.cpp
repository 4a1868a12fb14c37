#include "rename/rename_rules.h"

#include "platform/platform.h"
#include "rename/path_parts.h"
#include "text/path_forms.h"
#include "text/unicode_text.h"
#include "text/windows_names.h"

namespace {

// Column of the record, or an empty view with present cleared when the
// record does not hold it.
wide_view record_column(const record_fields& fields, std::int32_t column,
                        bool& present) {
  if (column < 0 || column >= fields.count) {
    present = false;
    return {};
  }
  return fields.columns[static_cast<std::size_t>(column)];
}

// A NUL would cut the name short in the file system; a lone surrogate
// stands for text of the list that could not be read, so the name is not
// known. A real U+FFFD is a character like any other.
bool unusable_in_name(wide_view text) {
  // Looks at every unit without stopping: each record's whole path comes
  // here, and a loop without a branch is several times quicker.
  unsigned found = 0;
  for (char16_t unit : text) found |= static_cast<unsigned>(unit == u'\0');
  return found != 0 || holds_lone_surrogate(text);
}

// The path a rename uses for a Destination value on this system; a refusal
// when Windows' form needs a current folder that could not be learnt
// (folder empty), or another drive's, which cannot be told for sure.
refusal rename_path_of(wide_view value, wide_view folder, wide_text& result) {
  const path_style style = native_path_style();
  if (style == path_style::windows && folder.empty())
    return refusal::no_current_folder;
  result = rename_path(style, value, folder);
  if (style == path_style::windows && is_other_drive_relative(value, folder))
    return refusal::other_drive_folder;
  return refusal::none;
}

bool holds_separator(wide_view text) {
  return text.find_first_of(u"\\/") != wide_view::npos;
}

}  // namespace

namespace {

// The reason shown for each refusal; cannot_look shows the system's own.
constexpr struct {
  refusal refused;
  wide_view text;
} k_refusal_texts[] = {
    {refusal::missing_column, u"The record lacks a column the new name needs"},
    {refusal::unusable_value,
     u"A value holds a NUL or text that could not be read"},
    {refusal::separator_in_value, u"A chosen value holds \\ or /"},
    {refusal::forbidden_character,
     u"A chosen value holds a character no Windows name can hold (-s makes "
     u"it _)"},
    {refusal::stream,
     u"The Destination names an alternate data stream, not a file"},
    {refusal::reserved_name, u"The new name is a device name Windows reserves"},
    {refusal::trailing_dot_or_space,
     u"The new name ends in a period or a space, which Windows programs "
     u"cannot open"},
    {refusal::name_too_long,
     u"The new name is longer than 255 UTF-16 units (-t shortens it)"},
    {refusal::values_too_long,
     u"The chosen values and the extension alone make the new name too "
     u"long for its folder"},
    {refusal::path_too_long,
     u"The new path is longer than 32,767 UTF-16 units"},
    {refusal::same_name, u"The new name is the old name"},
    {refusal::other_drive_folder,
     u"The Destination is relative to another drive's current folder, which "
     u"cannot be told for sure"},
    {refusal::no_current_folder, u"The current folder is not known"},
    {refusal::no_such_file, u"No file of the old name exists"},
    {refusal::directory, u"The old name is a folder"},
    {refusal::name_too_long_here,
     u"The new name is longer than its file system allows (-t shortens it)"},
    {refusal::path_too_long_here,
     u"The new path is longer than the system allows"},
    {refusal::case_twin,
     u"The new name exists, or one that Windows takes for it (the same but "
     u"for case)"},
    {refusal::hash_value,
     u"The hash in the list is not 32, 40 or 64 hex digits (MD5, SHA-1 or "
     u"SHA-256)"},
    {refusal::hash_differs,
     u"The file's contents differ from the hash in the list"},
    {refusal::symbolic_link,
     u"The file is a symbolic link: its contents lie elsewhere"},
    {refusal::hash_stopped, u"Ctrl+C stopped the hash"},
    {refusal::not_utf8_here,
     u"The new name is not UTF-8, which its file system needs"},
};

}  // namespace

wide_view refusal_text(refusal refused) {
  for (const auto& entry : k_refusal_texts)
    if (entry.refused == refused) return entry.text;
  return {};
}

void compose_source(const run_options& options, const column_plan& columns,
                    const record_fields& fields, wide_view folder,
                    record_plan& plan) {
  bool present = true;
  wide_view value =
      record_column(fields, columns.keywords.destination, present);
  // A moved export: the list's paths name the export where it was made.
  plan.move = apply_moves(value, options.moves, plan.moved_value);
  if (plan.move != nullptr) value = plan.moved_value;
  const bool unusable = unusable_in_name(value);
  const refusal unresolved = rename_path_of(value, folder, plan.source);
  if (unresolved == refusal::no_current_folder) plan.source.clear();
  plan.listed_name.clear();
  if (!present)
    plan.refused = refusal::missing_column;
  else if (unusable)
    plan.refused = refusal::unusable_value;
  else
    plan.refused = unresolved;
}

name_room room_of(const renamer& names, const wide_text& source) {
  const folder_limits& limits = limits_of(names, source);
  name_room room;
  room.bytes = limits.name_bytes;
  room.utf8 = names.form == name_bytes::utf8;
  return room;
}

namespace {

// -t: cuts the file's base name, from base_start on in plan.destination,
// so that the new name from name_start on fits room; base and extension
// are the source's. Returns false when even the values and the extension
// do not fit.
bool shorten_to_fit(const name_room& room, std::size_t name_start,
                    std::size_t base_start, wide_view base, wide_view extension,
                    record_plan& plan) {
  const wide_view name = wide_view(plan.destination).substr(name_start);
  if (fits_room(name, room)) return true;
  const wide_view values =
      wide_view(plan.destination).substr(name_start, base_start - name_start);
  const std::size_t kept = trimmed_length(values, base, extension, room);
  if (kept == wide_view::npos) return false;
  plan.shortened_from = character_count(name);
  plan.destination.resize(base_start);
  plan.destination += base.substr(0, kept);
  plan.destination += k_trim_mark;
  plan.destination += extension;
  return true;
}

}  // namespace

void compose_destination(const run_options& options, const column_plan& columns,
                         const record_fields& fields, const name_room& room,
                         record_plan& plan) {
  bool present = true;
  bool unusable = false;
  bool separator = false;
  char16_t forbidden = 0;
  // Everything in front of the file name stays; the chosen values go
  // between it and the file name.
  path_parts parts;
  split_path(plan.source, parts);
  const auto name_start =
      static_cast<std::size_t>(parts.base_name.data() - plan.source.data());
  plan.destination.assign(plan.source, 0, name_start);
  for (std::int32_t column : columns.selected) {
    if (column < 0) break;
    const wide_view chosen = record_column(fields, column, present);
    unusable = unusable || unusable_in_name(chosen);
    if (options.safe_names) {
      append_safe_name(chosen, plan.destination);
    } else {
      // Values come from the evidence itself; a separator in one would move
      // the copy out of its directory, a ':' hide it in a stream on NTFS.
      separator = separator || holds_separator(chosen);
      if (forbidden == 0) forbidden = first_forbidden_character(chosen);
      plan.destination += chosen;
    }
    plan.destination += u'_';
  }
  const std::size_t base_start = plan.destination.size();
  plan.destination += parts.base_name;
  plan.destination += parts.extension;
  plan.shortened_from = 0;
  const bool fits =
      !options.trim || shorten_to_fit(room, name_start, base_start,
                                      parts.base_name, parts.extension, plan);
  // The new file name, without a ':stream' suffix, as Windows would hold it.
  wide_view new_name = wide_view(plan.destination).substr(name_start);
  new_name = new_name.substr(0, new_name.find(u':'));
  const name_problem problem = check_file_name(new_name);
  // Where ':' selects a stream, a Destination naming one names no file of
  // its own: Windows cannot move a stream to another file.
  const bool stream = native_path_style() == path_style::windows &&
                      (parts.base_name.find(u':') != wide_view::npos ||
                       parts.extension.find(u':') != wide_view::npos);
  // The extended-length prefix is no part of what other programs are given.
  const std::size_t path_units = without_prefix(plan.destination).size();
  plan.long_path = path_units > k_classic_path_limit;

  bool first_present = true;
  plan.first_value =
      columns.selected[0] >= 0
          ? record_column(fields, columns.selected[0], first_present)
          : wide_view();

  // The source's own refusal, from compose_source, takes its place among
  // the text's rules.
  const refusal of_source = plan.refused;
  if (!present || of_source == refusal::missing_column)
    plan.refused = refusal::missing_column;
  else if (unusable || of_source == refusal::unusable_value)
    plan.refused = refusal::unusable_value;
  else if (separator)
    plan.refused = refusal::separator_in_value;
  else if (forbidden != 0)
    plan.refused = refusal::forbidden_character;
  else if (stream)
    plan.refused = refusal::stream;
  else if (!fits)
    plan.refused = refusal::values_too_long;
  else if (problem == name_problem::reserved)
    plan.refused = refusal::reserved_name;
  else if (problem == name_problem::too_long)
    plan.refused = refusal::name_too_long;
  else if (problem == name_problem::trailing_dot_or_space)
    plan.refused = refusal::trailing_dot_or_space;
  else if (path_units > k_max_path_units)
    plan.refused = refusal::path_too_long;
  else if (of_source != refusal::none)
    plan.refused = of_source;
  // A new name equal to the old one already exists. Some systems report
  // such a rename done; the answer must not depend on the system.
  else if (plan.source == plan.destination)
    plan.refused = refusal::same_name;
  else
    plan.refused = refusal::none;
  plan.forbidden = plan.refused == refusal::forbidden_character ? forbidden : 0;
}

void compose_record(const run_options& options, const column_plan& columns,
                    const record_fields& fields, wide_view folder,
                    record_plan& plan) {
  compose_source(options, columns, fields, folder, plan);
  compose_destination(options, columns, fields, name_room{}, plan);
}

namespace {

refusal refusal_of_kind(name_kind kind) {
  switch (kind) {
    case name_kind::missing:
      return refusal::no_such_file;
    case name_kind::directory:
      return refusal::directory;
    case name_kind::no_folder:
    case name_kind::unknown:
      return refusal::cannot_look;
    case name_kind::file:
      break;
  }
  return refusal::none;
}

}  // namespace

void look_at_source(const renamer& names, record_plan& plan) {
  plan.source_kind = name_kind::missing;
  plan.look_reason.clear();
  // A value that was refused is never handed to the system.
  if (plan.refused != refusal::none) return;
  wide_text stored;
  plan.source_kind = kind_of(names, plan.source, plan.look_reason, &stored);
  const wide_view listed = last_name(native_path_style(), plan.source);
  if (plan.source_kind == name_kind::unknown ||
      plan.source_kind == name_kind::no_folder || stored.empty() ||
      stored == listed)
    return;
  // The name on disk is what gets the values in front of it, what the
  // output file records and what an undo gives back.
  plan.listed_name = listed;
  plan.source.replace(
      static_cast<std::size_t>(listed.data() - plan.source.data()),
      listed.size(), stored);
}

refusal check_source(const renamer& names, const wide_text& source,
                     wide_text& reason) {
  const refusal refused = refusal_of_kind(kind_of(names, source, reason));
  if (refused != refusal::cannot_look) reason = refusal_text(refused);
  return refused;
}

namespace {

// The new name against what its folder's own file system allows, beyond
// the Windows rules: on Linux a name of 255 bytes (not units: 130 'é' are
// 260 bytes) and a path of 4,095; UTF-8 names on NTFS, FAT and exFAT.
refusal check_folder_limits(const renamer& names, const folder_limits& limits,
                            const wide_text& path) {
  const wide_view name = last_name(native_path_style(), path);
  const wide_view system_path = without_prefix(path);
  if (limits.name_bytes != 0 &&
      system_length(name, names.form) > limits.name_bytes)
    return refusal::name_too_long_here;
  if (limits.path_bytes != 0 &&
      system_length(system_path, names.form) > limits.path_bytes)
    return refusal::path_too_long_here;
  if (limits.windows_file_system && !reaches_system_as_utf8(name, names.form))
    return refusal::not_utf8_here;
  return refusal::none;
}

}  // namespace

namespace {

// A refusal of the text alone; a character no Windows name holds is named,
// with the way past it.
wide_text text_refusal_reason(const record_plan& plan) {
  if (plan.refused != refusal::forbidden_character || plan.forbidden == 0)
    return wide_text(refusal_text(plan.refused));
  return u"A chosen value holds '" + wide_text(1, plan.forbidden) +
         u"', which no Windows name can hold (-s makes it _)";
}

}  // namespace

refusal check_record(record_plan& plan, const renamer& names) {
  wide_text& reason = plan.reason;
  refusal refused = plan.refused;
  if (refused != refusal::none) {
    reason = text_refusal_reason(plan);
    return refused;
  }
  // The old and the new name share their folder, asked once for the run.
  const folder_limits& limits = limits_of(names, plan.source);
  // On NTFS through Linux a ':' selects a stream, as on Windows, where the
  // text's rules have refused it already.
  if (limits.windows_file_system &&
      last_name(native_path_style(), plan.source).find(u':') != wide_view::npos)
    refused = refusal::stream;
  if (refused == refusal::none) {
    refused = refusal_of_kind(plan.source_kind);
    if (refused == refusal::cannot_look) reason = plan.look_reason;
  }
  if (refused == refusal::none)
    refused = check_folder_limits(names, limits, plan.destination);
  // Decided from the folder's names alone, so that a preview, which keeps
  // names as Windows compares them, decides the same.
  if (refused == refusal::none && limits.windows_file_system &&
      case_twin_exists(names, plan.destination))
    refused = refusal::case_twin;
  if (refused != refusal::cannot_look) reason = refusal_text(refused);
  return refused;
}
