#include "rename/renamer.h"

name_bytes name_bytes_of(text_encoding encoding) {
  return encoding == text_encoding::eight_bit ? name_bytes::eight_bit
                                              : name_bytes::utf8;
}

name_kind kind_of(const renamer& names, const wide_text& path) {
  if (names.mode == renamer_mode::preview) {
    if (names.taken.count(path) != 0) return name_kind::file;
    if (names.freed.count(path) != 0) return name_kind::missing;
  }
  return kind_of_name(path, names.form);
}

bool rename_file(renamer& names, const wide_text& from, const wide_text& to,
                 wide_text& reason) {
  if (names.mode == renamer_mode::real)
    return rename_no_replace(from, to, names.form, reason);
  // The rules above have seen the old name exist; only the new one can
  // stand in the way.
  if (kind_of(names, to) != name_kind::missing) {
    reason = name_exists_text();
    return false;
  }
  names.taken.erase(from);
  names.freed.insert(from);
  names.freed.erase(to);
  names.taken.insert(to);
  return true;
}
