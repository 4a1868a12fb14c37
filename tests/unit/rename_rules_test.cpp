#include "rename/rename_rules.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "rename/line_model.h"
#include "temp_dir.h"
#include "text/path_forms.h"

namespace {

// A run with the worked example's header analysis done: Int. ID (2) and
// Evidence object (3) selected, Destination in column 4.
struct composed {
  bool may_rename;
  std::u16string source;
  std::u16string destination;
};

composed compose(std::u16string_view record,
                 std::initializer_list<std::int32_t> selected = {2, 3},
                 std::int32_t destination = 4) {
  column_plan columns;
  columns.selected.fill(-1);
  std::size_t i = 0;
  for (std::int32_t column : selected) columns.selected[i++] = column;
  columns.keywords.destination = destination;
  record_fields fields;
  split_record(record, fields);
  record_plan plan;
  wide_text folder;
  if (!current_folder(folder)) folder.clear();
  compose_record(run_options(), columns, fields, folder, plan);
  return {plan.refused == refusal::none, plan.source, plan.destination};
}

// A path of the tables, written as the Windows build shows it, as this
// build shows it: Linux's form on the Linux build.
std::u16string as_built(std::u16string_view windows_form) {
  return native_path_style() == path_style::windows
             ? std::u16string(windows_form)
             : posix_rename_path(windows_form);
}

}  // namespace

TEST(ComposeRecord, PutsSelectedValuesBeforeTheFileName) {
  const struct {
    const char16_t* record;
    std::initializer_list<std::int32_t> selected;
    const char16_t* source;
    const char16_t* destination;
    bool stream = false;  // refused where ':' selects a stream: Windows
  } cases[] = {
      {u"mydoc.doc\t\\Docs\t1234\tHard drive no2\tC:\\exp\\mydoc.doc\n",
       {2, 3},
       u"\\\\?\\C:\\exp\\mydoc.doc",
       u"\\\\?\\C:\\exp\\1234_Hard drive no2_mydoc.doc"},
      // A value with the prefix already keeps it once, in both paths.
      {u"a\tb\t1\tE\t\\\\?\\C:\\exp\\a.txt",
       {2},
       u"\\\\?\\C:\\exp\\a.txt",
       u"\\\\?\\C:\\exp\\1_a.txt"},
      {u"a\tb\t\tE\tC:\\a.txt", {2}, u"\\\\?\\C:\\a.txt", u"\\\\?\\C:\\_a.txt"},
      {u"a\tb\t7\tE\tC:\\a.txt",
       {2, 2},
       u"\\\\?\\C:\\a.txt",
       u"\\\\?\\C:\\7_7_a.txt"},
      // A stream suffix stays at the end.
      {u"a\tb\t7\tE\tC:\\x\\a.txt:s",
       {3},
       u"\\\\?\\C:\\x\\a.txt:s",
       u"\\\\?\\C:\\x\\E_a.txt:s",
       true},
  };
  for (const auto& c : cases) {
    const composed result = compose(c.record, c.selected);
    EXPECT_EQ(result.may_rename,
              !c.stream || native_path_style() == path_style::posix);
    EXPECT_EQ(result.source, as_built(c.source));
    EXPECT_EQ(result.destination, as_built(c.destination));
  }
}

TEST(ComposeRecord, RefusesRecordsThatWouldNameAnotherFile) {
  const struct {
    std::u16string record;
    std::initializer_list<std::int32_t> selected;
    std::int32_t destination;
    const char16_t* composed_destination;
    // Where a value's own '\' stays: the Linux build makes only the
    // Destination's separators '/'.
    const char16_t* posix_destination = nullptr;
  } cases[] = {
      // Shorter than the Destination column needs.
      {u"a\tb\t1\n", {2}, 4, u"\\\\?\\1_"},
      // Shorter than a selected column needs.
      {u"a\tC:\\d\\f.txt\n", {5}, 1, u"\\\\?\\C:\\d\\_f.txt"},
      // Beyond the columns a record holds.
      {u"a\tC:\\d\\f.txt\n", {150}, 1, u"\\\\?\\C:\\d\\_f.txt"},
      // Separators in a selected value would leave the directory.
      {u"..\\..\\x\tC:\\d\\f.txt\n",
       {0},
       1,
       u"\\\\?\\C:\\d\\..\\..\\x_f.txt",
       u"C:/d/..\\..\\x_f.txt"},
      {u"a/b\tC:\\d\\f.txt\n", {0}, 1, u"\\\\?\\C:\\d\\a/b_f.txt"},
      // The new name is the old one, which exists.
      {u"a\tC:\\a.txt", {}, 1, u"\\\\?\\C:\\a.txt"},
      // A NUL would cut the name short.
      {std::u16string(u"a\0b\tC:\\d\\f.txt\n", 15), {0}, 1, nullptr},
      {std::u16string(u"a\tC:\\d\\f\0.txt\n", 14), {0}, 1, nullptr},
  };
  for (const auto& c : cases) {
    const composed result = compose(c.record, c.selected, c.destination);
    EXPECT_FALSE(result.may_rename)
        << std::string(c.record.begin(), c.record.end());
    if (c.composed_destination != nullptr) {
      EXPECT_EQ(result.destination,
                c.posix_destination != nullptr &&
                        native_path_style() == path_style::posix
                    ? std::u16string(c.posix_destination)
                    : as_built(c.composed_destination));
    }
  }
}

TEST(Renamer, FoldsCaseWhereTheFolderDoes) {
  folder_limits plain;
  folder_limits case_sensitive;
  case_sensitive.case_sensitive = true;
  folder_limits ntfs;
  ntfs.windows_file_system = true;
  folder_limits casefold;
  casefold.folds_case = true;
  const struct {
    path_style style;
    folder_limits limits;
    bool folds;
  } cases[] = {
      {path_style::windows, plain, true},
      // a.txt and A.txt are two files in a folder made case-sensitive.
      {path_style::windows, case_sensitive, false},
      {path_style::posix, plain, false},
      {path_style::posix, ntfs, true},
      {path_style::posix, casefold, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(names_fold_case(c.style, c.limits), c.folds);
}

TEST(Renamer, TunnelsForAsLongAsTheMachineSays) {
  using std::chrono::seconds;
  const struct {
    tunnel_settings settings;
    seconds window;
  } cases[] = {
      {{}, seconds(15)},                    // Windows' own
      {{true, 60, false, 0}, seconds(60)},  // an administrator's age
      {{false, 0, true, 1024}, seconds(15)},
      {{true, 60, true, 0}, seconds(0)},  // no entries: off
      {{true, 0, false, 0}, seconds(0)},
  };
  for (const auto& c : cases) EXPECT_EQ(tunnel_window_of(c.settings), c.window);
}

TEST(Renamer, KnowsTheNamesTheRunJustLeft) {
  // A file renamed into a name another file left moments before may be
  // given that file's creation time by NTFS; the renamer knows which
  // names those are, for 15 seconds.
  scoped_temp_dir dir;
  dir.write("a", "A");
  dir.write("c", "C");
  const auto path = [&](const char* name) {
    return u"\\\\?\\" + (dir.path() / name).u16string();
  };
  renamer names;
  names.keep_creation_times = true;
  journal log;
  wide_text reason;
  const auto now = std::chrono::steady_clock::now();
  EXPECT_FALSE(left_recently(names, path("a"), now));
  ASSERT_TRUE(rename_file(names, log, path("a"), path("b"), reason));
  EXPECT_TRUE(left_recently(names, path("a"), now));
  EXPECT_FALSE(left_recently(names, path("b"), now));
  EXPECT_FALSE(
      left_recently(names, path("a"), now + k_tunnel_window + k_tunnel_window));
  // The file renamed into the name keeps its own creation time: nothing
  // to set back where the system does not tunnel.
  ASSERT_TRUE(rename_file(names, log, path("c"), path("a"), reason));
  EXPECT_EQ(names.creation_times_restored, 0);
}
