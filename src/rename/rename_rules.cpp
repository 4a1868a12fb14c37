#include "rename/rename_rules.h"

#include "platform/platform.h"
#include "rename/path_parts.h"

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

// A NUL would cut the name short in the file system; U+FFFD stands for
// bytes of the list that could not be read, so the name is not known.
bool unusable_in_name(wide_view text) {
  return text.find_first_of(u"\0\uFFFD", 0, 2) != wide_view::npos;
}

bool holds_separator(wide_view text) {
  return text.find_first_of(u"\\/") != wide_view::npos;
}

}  // namespace

void compose_record(const column_plan& columns, const record_fields& fields,
                    record_plan& plan) {
  bool present = true;
  bool unusable = false;
  bool separator = false;
  const wide_view value =
      record_column(fields, columns.keywords.destination, present);
  unusable = unusable_in_name(value);
  const bool resolved = rename_path_of(value, plan.source);
  if (!resolved) plan.source.clear();

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
    // Values come from the evidence itself; a separator in one would move
    // the copy out of its directory.
    separator = separator || holds_separator(chosen);
    unusable = unusable || unusable_in_name(chosen);
    plan.destination += chosen;
    plan.destination += u'_';
  }
  plan.destination += parts.base_name;
  plan.destination += parts.extension;

  bool first_present = true;
  plan.first_value =
      columns.selected[0] >= 0
          ? record_column(fields, columns.selected[0], first_present)
          : wide_view();

  if (!present)
    plan.refused = refusal::missing_column;
  else if (unusable)
    plan.refused = refusal::unusable_value;
  else if (separator)
    plan.refused = refusal::separator_in_value;
  else if (!resolved)
    plan.refused = refusal::no_current_folder;
  // A new name equal to the old one already exists. Some systems report
  // such a rename done; the answer must not depend on the system.
  else if (plan.source == plan.destination)
    plan.refused = refusal::same_name;
  else
    plan.refused = refusal::none;
}

refusal check_source(const renamer& names, const wide_text& source) {
  switch (kind_of(names, source)) {
    case name_kind::missing:
      return refusal::no_such_file;
    case name_kind::directory:
      return refusal::directory;
    case name_kind::file:
      break;
  }
  return refusal::none;
}

refusal check_record(const record_plan& plan, const renamer& names) {
  if (plan.refused != refusal::none) return plan.refused;
  return check_source(names, plan.source);
}
