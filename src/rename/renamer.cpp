#include "rename/renamer.h"

#include <cstdint>

#include "text/path_forms.h"

name_bytes name_bytes_of(text_encoding encoding) {
  return encoding == text_encoding::eight_bit ? name_bytes::eight_bit
                                              : name_bytes::utf8;
}

wide_text name_key(const renamer& names, const wide_text& path) {
  const path_style style = native_path_style();
  const wide_view folder = parent_folder(style, path);
  wide_view name = wide_view(path).substr(folder.size());
  while (!name.empty() &&
         (name[0] == u'\\' || (name[0] == u'/' && style == path_style::posix)))
    name.remove_prefix(1);
  auto known = names.folder_keys.find(wide_text(folder));
  if (known == names.folder_keys.end()) {
    file_identity identity;
    wide_text key;
    if (!folder.empty() &&
        identity_of_rename_path(wide_text(folder), names.form, identity) &&
        same_identity(identity, identity)) {
      for (std::uint64_t part :
           {identity.volume, identity.index, identity.index_high}) {
        for (int shift = 60; shift >= 0; shift -= 4)
          key += u"0123456789abcdef"[(part >> shift) & 0xF];
        key += u':';
      }
    } else {
      key = u"?" + folded_name(folder) + u":";
    }
    known = names.folder_keys.emplace(wide_text(folder), key).first;
  }
  return known->second + folded_name(name);
}

name_kind kind_of(const renamer& names, const wide_text& path,
                  wide_text& reason) {
  if (names.mode == renamer_mode::preview) {
    const wide_text key = name_key(names, path);
    if (names.taken.count(key) != 0) return name_kind::file;
    if (names.freed.count(key) != 0) return name_kind::missing;
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
  const wide_text from_key = name_key(names, from);
  const wide_text to_key = name_key(names, to);
  names.taken.erase(from_key);
  names.freed.insert(from_key);
  names.freed.erase(to_key);
  names.taken.insert(to_key);
  return true;
}
