#include "rename/path_parts.h"

namespace {

bool is_separator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

}  // namespace

void split_path(wide_view value, path_parts& parts) {
  const std::size_t length = value.size();
  std::size_t p = 0;
  parts.drive = {};
  // A colon as sixth character means a drive behind a prefix such as
  // '\\?\'; it wins over a colon as second character.
  const bool prefixed_drive = length >= 6 && value[5] == u':';
  if (prefixed_drive || (length >= 2 && value[1] == u':')) {
    if (prefixed_drive) p += 4;
    parts.drive = value.substr(p, 2);
    p += 2;
  }

  // The file name ends at the first colon of the last component: what
  // follows names an alternate data stream. A colon in a folder's name is
  // part of that name (a Linux folder may hold one), never a stream.
  std::size_t name_start = p;
  for (std::size_t i = length; i > p; --i) {
    if (is_separator(value[i - 1])) {
      name_start = i;
      break;
    }
  }
  std::size_t name_end = value.find(u':', name_start);
  if (name_end == wide_view::npos) name_end = length;

  std::size_t extension_start = name_end;
  for (std::size_t i = name_end; i > p; --i) {
    if (is_separator(value[i - 1])) break;
    if (value[i - 1] == u'.') {
      extension_start = i - 1;
      break;
    }
  }

  std::size_t base_start = p;
  for (std::size_t i = extension_start; i > p; --i) {
    if (is_separator(value[i - 1])) {
      base_start = i;
      break;
    }
  }

  parts.directory = value.substr(p, base_start - p);
  parts.base_name = value.substr(base_start, extension_start - base_start);
  parts.extension = value.substr(extension_start);
}
