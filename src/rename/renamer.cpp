#include "rename/renamer.h"

name_bytes name_bytes_of(text_encoding encoding) {
  return encoding == text_encoding::eight_bit ? name_bytes::eight_bit
                                              : name_bytes::utf8;
}

name_kind kind_of(const renamer& names, const wide_text& path,
                  wide_text& reason) {
  if (names.mode == renamer_mode::preview) {
    if (names.taken.count(path) != 0) return name_kind::file;
    if (names.freed.count(path) != 0) return name_kind::missing;
  }
  return kind_of_name(path, names.form, reason);
}

bool rename_file(renamer& names, journal& log, const wide_text& from,
                 const wide_text& to, wide_text& reason) {
  if (names.mode == renamer_mode::real) {
    switch (rename_no_replace(from, to, names.form, reason)) {
      case rename_outcome::renamed:
        return true;
      case rename_outcome::failed:
        return false;
      case rename_outcome::needs_link:
        break;
    }
    if (!journal_linking(log)) {
      reason = u"The output file could not be written";
      return false;
    }
    return rename_by_link(from, to, names.form, reason);
  }
  // The rules above have seen the old name exist; only the new one can
  // stand in the way.
  wide_text unused;
  if (kind_of(names, to, unused) != name_kind::missing) {
    reason = name_exists_text();
    return false;
  }
  names.taken.erase(from);
  names.freed.insert(from);
  names.freed.erase(to);
  names.taken.insert(to);
  return true;
}
