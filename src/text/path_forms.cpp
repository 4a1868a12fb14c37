#include "text/path_forms.h"

#include <vector>

// What Windows itself does with a path comes from Microsoft's "Naming Files,
// Paths, and Namespaces" and "File path formats on Windows systems":
// - After \\?\ (exactly so, with backslashes) Windows parses nothing: no '/'
//   for '\', no '.' or '..', no current folder. So the rest must already be an
//   absolute path with backslashes only and no '.' or '..' names.
// - Every other path is normalised first: '/' becomes '\', runs of separators
//   collapse, '.' and '..' are evaluated without climbing above the root (the
//   drive's 'X:\', the '\\server\share' of a UNC path, the prefix of a device
//   path), '\name' takes the current folder's root, and 'X:name' the current
//   folder kept for drive X.
// - \\.\ is the same device namespace as \\?\, only normalised; a UNC path
//   behind the prefix is written \\?\UNC\server\share.
// - Normalising also takes one period off a name that ends in a single one,
//   and every trailing period and space off the last name of a path that
//   does not end in a separator. A value normalised here is trimmed so too:
//   Windows would look for that name. A value the suite wrote as X:\... is
//   used as it is, behind the prefix, and its names reach the file system
//   as written.

namespace {

bool is_separator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

bool is_ascii_letter(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

char16_t ascii_upper(char16_t unit) {
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
}

bool has_drive(std::u16string_view path) {
  return path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == u':';
}

bool has_drive_root(std::u16string_view path) {
  return has_drive(path) && path.size() >= 3 && is_separator(path[2]);
}

bool has_two_separators(std::u16string_view path) {
  return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

// Device paths other than the literal \\?\ itself: \\.\, and //?/ and the
// like, which Windows normalises because they do not start exactly \\?\ .
bool is_normalised_device_path(std::u16string_view path) {
  return path.size() >= 4 && has_two_separators(path) &&
         (path[2] == u'.' || path[2] == u'?') && is_separator(path[3]);
}

// The form the forensic suite writes: X:\ and names joined by single
// backslashes, none of them empty, '.' or '..', so that the prefix can stand
// in front of it as it is.
bool is_plain_drive_path(std::u16string_view value) {
  if (!has_drive(value) || value.size() < 3 || value[2] != u'\\') return false;
  std::size_t start = 3;
  for (;;) {
    std::size_t end = value.find(u'\\', start);
    if (end == std::u16string_view::npos) end = value.size();
    const std::u16string_view name = value.substr(start, end - start);
    if (name.empty() || name == u"." || name == u".." ||
        name.find(u'/') != std::u16string_view::npos)
      return false;
    if (end == value.size()) return true;
    start = end + 1;
  }
}

// Where a normalised path starts, as it follows the prefix: 'X:',
// 'UNC\server\share' or a device path's volume; and the text after it. drive
// is 0 when the root is no drive.
struct path_root {
  std::u16string text;
  std::u16string_view rest;
  char16_t drive = 0;
};

path_root drive_root(char16_t letter, std::u16string_view rest) {
  return {std::u16string{letter, u':'}, rest, letter};
}

// text follows the two leading separators of a UNC path. Runs of separators
// around server and share count as one, as Windows collapses them.
path_root unc_root(std::u16string_view text) {
  path_root root{u"UNC", {}, 0};
  std::size_t p = 0;
  for (int part = 0; part < 2; ++part) {
    while (p < text.size() && is_separator(text[p])) ++p;
    const std::size_t start = p;
    while (p < text.size() && !is_separator(text[p])) ++p;
    root.text += u'\\';
    root.text.append(text.substr(start, p - start));
  }
  root.rest = text.substr(p);
  return root;
}

bool has_unc_link(std::u16string_view text) {
  // Windows looks the link up without regard to case.
  return text.size() >= 4 && ascii_upper(text[0]) == u'U' &&
         ascii_upper(text[1]) == u'N' && ascii_upper(text[2]) == u'C' &&
         is_separator(text[3]);
}

// rest follows a device prefix. Its first name is the volume ('C:',
// 'Volume{...}', or 'UNC\server\share' for a share), which '..' never climbs
// above: Windows would stop only at the prefix and leave a path without a
// volume, which names no file.
path_root device_root(std::u16string_view rest) {
  if (has_unc_link(rest)) return unc_root(rest.substr(4));
  std::size_t end = 0;
  while (end < rest.size() && !is_separator(rest[end])) ++end;
  path_root root{std::u16string(rest.substr(0, end)), rest.substr(end), 0};
  if (end == 2 && has_drive(rest)) root.drive = rest[0];
  return root;
}

// The current folder usually comes as X:\... or \\server\share\..., but a
// process can also have been started in a folder set with the prefix.
path_root folder_root(std::u16string_view folder) {
  if (has_extended_prefix(folder)) return device_root(without_prefix(folder));
  if (has_drive_root(folder)) return drive_root(folder[0], folder.substr(3));
  if (has_two_separators(folder)) return unc_root(folder.substr(2));
  return {{}, folder, 0};  // not absolute: the caller broke the contract
}

// Adds the names of text to names: empty names (doubled or trailing
// separators) and '.' vanish, '..' takes back the last name added and never
// a part of the root, which names does not hold. With trim, the names are
// trimmed as Windows normalises a path's names (a name of the current
// folder, as the system gives it, is not).
void add_names(std::u16string_view text,
               std::vector<std::u16string_view>& names, bool trim) {
  std::size_t start = 0;
  std::size_t own = 0;  // names of text still in names, at their end
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && !is_separator(text[end])) ++end;
    std::u16string_view name = text.substr(start, end - start);
    if (name == u"..") {
      if (!names.empty()) names.pop_back();
      if (own > 0) --own;
    } else if (!name.empty() && name != u".") {
      // One period off a name that ends in a single one.
      if (trim && name.size() >= 2 && name.back() == u'.' &&
          name[name.size() - 2] != u'.')
        name.remove_suffix(1);
      names.push_back(name);
      ++own;
    }
    start = end + 1;
  }
  // Every trailing period and space off the last name, unless the path
  // ends in a separator.
  if (trim && own > 0 && !is_separator(text.back())) {
    std::u16string_view& last = names.back();
    while (!last.empty() && (last.back() == u'.' || last.back() == u' '))
      last.remove_suffix(1);
    if (last.empty()) names.pop_back();
  }
}

std::u16string joined(const path_root& root,
                      const std::vector<std::u16string_view>& names) {
  std::u16string path(k_extended_length_prefix);
  path += root.text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0 || !root.text.empty()) path += u'\\';
    path += names[i];
  }
  // 'X:' alone behind the prefix is the volume, not its root folder.
  if (names.empty() && root.drive != 0) path += u'\\';
  return path;
}

}  // namespace

bool has_extended_prefix(std::u16string_view path) {
  return path.substr(0, k_extended_length_prefix.size()) ==
         k_extended_length_prefix;
}

std::u16string_view without_prefix(std::u16string_view path) {
  return has_extended_prefix(path)
             ? path.substr(k_extended_length_prefix.size())
             : path;
}

std::u16string windows_rename_path(std::u16string_view value,
                                   std::u16string_view current_folder) {
  if (has_extended_prefix(value)) return std::u16string(value);
  // An empty Destination names no file; the bare prefix makes the rename
  // fail rather than land on the current folder.
  if (value.empty()) return std::u16string(k_extended_length_prefix);
  if (is_plain_drive_path(value)) {
    std::u16string path(k_extended_length_prefix);
    path += value;
    return path;
  }

  // The trailing separator is dropped with the empty name after it: a
  // Destination names a file.
  std::vector<std::u16string_view> names;
  path_root root;
  if (is_normalised_device_path(value)) {
    root = device_root(value.substr(k_extended_length_prefix.size()));
  } else if (has_two_separators(value)) {
    root = unc_root(value.substr(2));
  } else if (has_drive_root(value)) {
    root = drive_root(value[0], value.substr(3));
  } else {
    const path_root folder = folder_root(current_folder);
    std::u16string_view rest = value;
    if (has_drive(value)) {
      rest = value.substr(2);
      // A current folder for another drive exists only where cmd.exe has set
      // one, in hidden '=X:' variables a program it starts inherits. The
      // rename must not hang on how fldren was started, so 'X:name' starts at
      // X's root, as Windows does when cmd.exe set none.
      if (ascii_upper(value[0]) != ascii_upper(folder.drive)) {
        root = drive_root(value[0], rest);
        add_names(root.rest, names, true);
        return joined(root, names);
      }
    }
    root = folder;
    // '\name' starts at the root of the current folder's drive or share.
    if (rest.empty() || !is_separator(rest[0]))
      add_names(folder.rest, names, false);
    root.rest = rest;
  }
  add_names(root.rest, names, true);
  return joined(root, names);
}

std::u16string extended_form(std::u16string_view path) {
  std::u16string result(k_extended_length_prefix);
  if (has_drive_root(path) && path[2] == u'\\') {
    result += path;
    return result;
  }
  // \\server\share, but not \\?\ or \\.\ .
  if (path.size() > 2 && path[0] == u'\\' && path[1] == u'\\' &&
      path[2] != u'?' && path[2] != u'.') {
    result += u"UNC";
    result += path.substr(1);
    return result;
  }
  return std::u16string(path);
}

std::u16string posix_rename_path(std::u16string_view value) {
  std::u16string path(without_prefix(value));
  for (char16_t& unit : path)
    if (unit == u'\\') unit = u'/';
  return path;
}

namespace {

// Whether text begins with word, ignoring the case of A to Z.
bool begins_with_word(std::u16string_view text, std::u16string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (ascii_upper(text[i]) != ascii_upper(word[i])) return false;
  return true;
}

}  // namespace

bool windows_path_is_relative(std::u16string_view path) {
  const bool prefixed = has_extended_prefix(path);
  const std::u16string_view rest = without_prefix(path);
  if (has_drive_root(rest)) return false;
  // Behind the prefix only a backslash separates: 'UNC/' would be a name.
  if (prefixed && has_unc_link(rest) && rest[3] == u'\\') return false;
  // A volume by its GUID, and the object namespace's root, where shadow
  // copies are (\\?\GLOBALROOT\Device\HarddiskVolumeShadowCopy1\...).
  if (prefixed && (begins_with_word(rest, u"Volume{") ||
                   begins_with_word(rest, u"GLOBALROOT\\")))
    return false;
  return !has_two_separators(rest);
}

bool is_other_drive_relative(std::u16string_view value,
                             std::u16string_view current_folder) {
  if (has_extended_prefix(value) || !has_drive(value) || has_drive_root(value))
    return false;
  const path_root folder = folder_root(current_folder);
  return ascii_upper(value[0]) != ascii_upper(folder.drive);
}

bool posix_path_is_relative(std::u16string_view path) {
  const std::u16string_view rest = without_prefix(path);
  // The POSIX build reads '\' as '/', so either one starts at the root.
  return rest.empty() || !is_separator(rest[0]);
}

std::u16string windows_path_against(std::u16string_view path,
                                    std::u16string_view folder) {
  if (!windows_path_is_relative(path)) return std::u16string(path);
  return windows_rename_path(without_prefix(path), folder);
}

std::u16string posix_path_against(std::u16string_view path,
                                  std::u16string_view folder) {
  if (!posix_path_is_relative(path)) return posix_rename_path(path);
  // '..' is left to the kernel: through a symbolic link it does not undo the
  // name before it, so folding it here could name another file.
  std::u16string joined_path(folder);
  if (folder.empty() || !is_separator(folder.back())) joined_path += u'/';
  joined_path += posix_rename_path(path);
  return joined_path;
}

std::u16string rename_path(path_style style, std::u16string_view value,
                           std::u16string_view current_folder) {
  return style == path_style::windows
             ? windows_rename_path(value, current_folder)
             : posix_rename_path(value);
}

bool rename_path_is_relative(path_style style, std::u16string_view path) {
  return style == path_style::windows ? windows_path_is_relative(path)
                                      : posix_path_is_relative(path);
}

bool names_another_drive(path_style style, std::u16string_view path,
                         std::u16string_view current_folder) {
  const std::u16string_view rest = without_prefix(path);
  if (style == path_style::posix)
    return has_drive(rest) || has_two_separators(rest);
  if (has_unc_link(rest)) return true;
  return has_drive(rest) &&
         ascii_upper(rest[0]) != ascii_upper(folder_root(current_folder).drive);
}

std::u16string journal_path_in_form(path_style style,
                                    std::u16string_view path) {
  return style == path_style::windows ? std::u16string(path)
                                      : posix_rename_path(path);
}

std::u16string rename_path_against(path_style style, std::u16string_view path,
                                   std::u16string_view folder) {
  return style == path_style::windows ? windows_path_against(path, folder)
                                      : posix_path_against(path, folder);
}

std::u16string_view parent_folder(path_style style, std::u16string_view path) {
  const bool prefixed = has_extended_prefix(path);
  const std::size_t start = prefixed ? k_extended_length_prefix.size() : 0;
  const std::u16string_view rest = path.substr(start);
  // Behind the prefix Windows reads only '\' as a separator.
  const auto separates = [&](char16_t unit) {
    return unit == u'\\' ||
           (unit == u'/' && !(style == path_style::windows && prefixed));
  };
  std::size_t root = start;  // where the names below the root begin
  if (style == path_style::windows && has_drive(rest)) {
    root = start + 2 + (rest.size() > 2 && separates(rest[2]) ? 1 : 0);
  } else if (style == path_style::windows && prefixed && has_unc_link(rest)) {
    const path_root share = unc_root(rest.substr(4));
    root = start + static_cast<std::size_t>(share.rest.data() - rest.data());
  } else if (!rest.empty() && separates(rest[0])) {
    root = start + 1;
  }
  std::size_t end = path.size();
  while (end > root && !separates(path[end - 1])) --end;
  if (end > root) return path.substr(0, end - 1);
  // A name in the root: the root with its separator.
  return root > start && root < path.size() ? path.substr(0, root)
                                            : std::u16string_view();
}

std::u16string_view last_name(path_style style, std::u16string_view path) {
  const bool prefixed = has_extended_prefix(path);
  const std::u16string_view folder = parent_folder(style, path);
  std::u16string_view name =
      folder.empty() ? without_prefix(path) : path.substr(folder.size());
  while (!name.empty() &&
         (name[0] == u'\\' ||
          (name[0] == u'/' && !(style == path_style::windows && prefixed))))
    name.remove_prefix(1);
  return name;
}

namespace {

// Where the extension of path's last name begins; path's end when it has
// none.
std::size_t extension_start(path_style style, std::u16string_view path) {
  // Where the last name starts: after the last separator, or a drive's
  // colon on Windows.
  const std::u16string_view separators =
      style == path_style::windows ? u"\\/:" : u"/";
  const std::size_t last_separator = path.find_last_of(separators);
  const std::size_t name_start =
      last_separator == std::u16string_view::npos ? 0 : last_separator + 1;
  const std::size_t dot = path.rfind(u'.');
  // A dot that starts the name begins a hidden name, not an extension.
  return dot != std::u16string_view::npos && dot > name_start ? dot
                                                              : path.size();
}

}  // namespace

std::u16string run_record_name(path_style style, std::u16string_view path) {
  const std::size_t at = extension_start(style, path);
  std::u16string name(path.substr(0, at));
  name += u".run";
  name += path.substr(at);
  return name;
}

std::u16string report_page_name(path_style style, std::u16string_view path) {
  std::u16string name(path.substr(0, extension_start(style, path)));
  name += u".report.html";
  return name;
}

namespace {

bool same_path_unit(char16_t a, char16_t b) {
  if (is_separator(a) && is_separator(b)) return true;
  return ascii_upper(a) == ascii_upper(b);
}

bool move_matches(std::u16string_view value, std::u16string_view from) {
  if (from.empty() || from.size() > value.size()) return false;
  for (std::size_t i = 0; i < from.size(); ++i)
    if (!same_path_unit(value[i], from[i])) return false;
  return from.size() == value.size() || is_separator(from.back()) ||
         is_separator(value[from.size()]);
}

// value as a move's from is compared with: without the prefix when from is
// written without it.
std::u16string_view compared_part(std::u16string_view value,
                                  std::u16string_view from) {
  return has_extended_prefix(value) && !has_extended_prefix(from)
             ? value.substr(k_extended_length_prefix.size())
             : value;
}

}  // namespace

const path_move* apply_moves(std::u16string_view value,
                             const std::vector<path_move>& moves,
                             std::u16string& result) {
  const path_move* best = nullptr;
  for (const path_move& move : moves)
    if (move_matches(compared_part(value, move.from), move.from) &&
        (best == nullptr || move.from.size() > best->from.size()))
      best = &move;
  if (best == nullptr) return nullptr;
  const std::u16string_view subject = compared_part(value, best->from);
  std::u16string_view rest = subject.substr(best->from.size());
  // The separator at the join, as the value wrote it: the one that ends
  // from, or the one that begins the rest.
  char16_t joint = u'\\';
  if (is_separator(best->from.back()))
    joint = subject[best->from.size() - 1];
  else if (!rest.empty())
    joint = rest[0];
  while (!rest.empty() && is_separator(rest[0])) rest.remove_prefix(1);
  std::u16string_view to = best->to;
  if (rest.empty() || to.empty()) {
    // The whole value moves to to; or from is cut off, leaving the rest
    // relative, never rooted by the separator that followed from.
    result = rest.empty() ? std::u16string(to) : std::u16string(rest);
    return best;
  }
  if (is_separator(to.back())) joint = to.back();
  while (to.size() > 1 && is_separator(to.back())) to.remove_suffix(1);
  result = to;
  if (!is_separator(result.back())) result += joint;
  result.append(rest);
  return best;
}
