#include "text/path_forms.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());
}

const char16_t* const k_drive_folder = u"C:\\work\\case";
const char16_t* const k_share_folder = u"\\\\srv\\share\\dir";

}  // namespace

TEST(WindowsRenamePath, MakesAnAbsolutePathBehindThePrefix) {
  const struct {
    const char16_t* value;
    const char16_t* current_folder;
    const char16_t* expected;
  } cases[] = {
      // What the forensic suite writes stays byte for byte, odd names too.
      {u"C:\\dir\\a.txt", k_drive_folder, u"\\\\?\\C:\\dir\\a.txt"},
      {u"c:\\Dir\\...\\a. ", k_drive_folder, u"\\\\?\\c:\\Dir\\...\\a. "},
      {u"C:\\dir\\file.txt:ads", k_drive_folder,
       u"\\\\?\\C:\\dir\\file.txt:ads"},
      // A normalised value's names are trimmed as Windows trims them: one
      // period off a name ending in one, trailing periods and spaces off
      // the last name.
      {u"C:\\dir\\..\\a. ", k_drive_folder, u"\\\\?\\C:\\a"},
      {u"fwd.doc.", k_drive_folder, u"\\\\?\\C:\\work\\case\\fwd.doc"},
      {u"C:/x./y../a.doc . .", k_drive_folder, u"\\\\?\\C:\\x\\y..\\a.doc"},
      {u"C:/x/a.doc.\\", k_drive_folder, u"\\\\?\\C:\\x\\a.doc"},
      {u"C:/x/...", k_drive_folder, u"\\\\?\\C:\\x"},
      {u"C:\\dir\\.\\\\a.txt\\", k_drive_folder, u"\\\\?\\C:\\dir\\a.txt"},
      {u"C:/dir/a.txt", k_drive_folder, u"\\\\?\\C:\\dir\\a.txt"},
      {u"C:\\dir/a.txt", k_drive_folder, u"\\\\?\\C:\\dir\\a.txt"},
      {u"C:\\..", k_drive_folder, u"\\\\?\\C:\\"},
      {u"C:file.txt", k_drive_folder, u"\\\\?\\C:\\work\\case\\file.txt"},
      {u"c:..\\file.txt", k_drive_folder, u"\\\\?\\C:\\work\\file.txt"},
      {u"D:file.txt", k_drive_folder, u"\\\\?\\D:\\file.txt"},
      {u"D:file.txt", k_share_folder, u"\\\\?\\D:\\file.txt"},
      {u"1:\\a", k_drive_folder, u"\\\\?\\C:\\work\\case\\1:\\a"},
      {u"\\dir\\a.txt", k_drive_folder, u"\\\\?\\C:\\dir\\a.txt"},
      {u"\\dir\\a.txt", k_share_folder, u"\\\\?\\UNC\\srv\\share\\dir\\a.txt"},
      {u"\\\\server\\share\\dir\\a.txt", k_drive_folder,
       u"\\\\?\\UNC\\server\\share\\dir\\a.txt"},
      {u"//server/share/a.txt", k_drive_folder,
       u"\\\\?\\UNC\\server\\share\\a.txt"},
      {u"\\\\server\\\\share\\..\\..\\a.txt", k_drive_folder,
       u"\\\\?\\UNC\\server\\share\\a.txt"},
      // The prefix is kept once and nothing behind it is touched.
      {u"\\\\?\\C:\\x", k_drive_folder, u"\\\\?\\C:\\x"},
      {u"\\\\?\\C:\\a\\..\\b/c", k_drive_folder, u"\\\\?\\C:\\a\\..\\b/c"},
      // Other device paths are normalised, then written with \\?\ .
      {u"\\\\.\\C:\\x", k_drive_folder, u"\\\\?\\C:\\x"},
      {u"\\\\.\\UNC\\srv\\share\\..\\x", k_drive_folder,
       u"\\\\?\\UNC\\srv\\share\\x"},
      {u"//?/C:/a/../x", k_drive_folder, u"\\\\?\\C:\\x"},
      {u"a.txt", k_drive_folder, u"\\\\?\\C:\\work\\case\\a.txt"},
      {u"a.txt", k_share_folder, u"\\\\?\\UNC\\srv\\share\\dir\\a.txt"},
      {u"a.txt", u"C:\\", u"\\\\?\\C:\\a.txt"},
      {u"a.txt", u"\\\\?\\UNC\\srv\\share", u"\\\\?\\UNC\\srv\\share\\a.txt"},
      {u"c:a.txt", u"\\\\?\\C:\\work", u"\\\\?\\C:\\work\\a.txt"},
      {u".\\sub/a.txt", k_drive_folder, u"\\\\?\\C:\\work\\case\\sub\\a.txt"},
      {u"..\\..\\..\\..\\a", k_drive_folder, u"\\\\?\\C:\\a"},
      {u"..\\..\\..\\..\\a", k_share_folder, u"\\\\?\\UNC\\srv\\share\\a"},
      {u"a.txt:ads", k_drive_folder, u"\\\\?\\C:\\work\\case\\a.txt:ads"},
      {u"", k_drive_folder, u"\\\\?\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.value) + " in " + narrow(c.current_folder));
    EXPECT_EQ(windows_rename_path(c.value, c.current_folder), c.expected);
  }
}

TEST(PosixRenamePath, WritesThePathAsLinuxDoes) {
  const struct {
    const char16_t* value;
    const char16_t* expected;
  } cases[] = {
      {u"a.txt", u"a.txt"},
      {u"/case/../a.txt", u"/case/../a.txt"},
      // An earlier fldren's output file, and a list written on Windows.
      {u"\\\\?\\/case/a.txt", u"/case/a.txt"},
      {u"\\\\?\\/x\\Partition 2\\a.doc", u"/x/Partition 2/a.doc"},
      {u"export\\a.doc", u"export/a.doc"},
      {u"\\\\?", u"//?"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.value));
    EXPECT_EQ(posix_rename_path(c.value), c.expected);
  }
}

TEST(NamesAnotherDrive, TellsAPlaceThisMachineDoesNotReach) {
  const struct {
    bool windows;
    const char16_t* path;  // a rename path of that build
    bool elsewhere;
  } cases[] = {
      {true, u"\\\\?\\C:\\exp\\a.doc", false},  // the current folder's drive
      {true, u"\\\\?\\c:\\exp\\a.doc", false},
      {true, u"\\\\?\\E:\\exp\\a.doc", true},
      {true, u"\\\\?\\UNC\\srv\\share\\a.doc", true},
      {true, u"\\\\?\\Volume{5f1b}\\a.doc", false},
      {false, u"C:/exp/a.doc", true},  // a list written on Windows
      {false, u"//srv/share/a.doc", true},
      {false, u"/mnt/exp/a.doc", false},
      {false, u"export/a.doc", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.path));
    EXPECT_EQ(
        names_another_drive(c.windows ? path_style::windows : path_style::posix,
                            c.path, k_drive_folder),
        c.elsewhere);
  }
}

TEST(JournalPathRelative, JudgesAndResolvesAgainstTheFolder) {
  const struct {
    bool windows;
    const char16_t* path;
    const char16_t* folder;
    bool prefixed;
    bool relative;
    const char16_t* against;
  } cases[] = {
      {true, u"\\\\?\\C:\\x\\a", u"D:\\", true, false, u"\\\\?\\C:\\x\\a"},
      {true, u"\\\\?\\C:/x", u"D:\\", true, false, u"\\\\?\\C:/x"},
      {true, u"\\\\?\\unc\\srv\\share\\a", u"D:\\", true, false,
       u"\\\\?\\unc\\srv\\share\\a"},
      {true, u"\\\\?\\UNC/srv", u"D:\\", true, true, u"\\\\?\\D:\\UNC\\srv"},
      {true, u"\\\\srv\\share\\a", u"D:\\", false, false, u"\\\\srv\\share\\a"},
      // A volume by its GUID, and a shadow copy, are absolute.
      {true, u"\\\\?\\Volume{5f1b}\\a", u"D:\\", true, false,
       u"\\\\?\\Volume{5f1b}\\a"},
      {true, u"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\a",
       u"D:\\", true, false,
       u"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\a"},
      {true, u"//?/C:/x", u"D:\\", false, false, u"//?/C:/x"},
      {true, u"\\\\?\\a.txt", k_drive_folder, true, true,
       u"\\\\?\\C:\\work\\case\\a.txt"},
      {true, u"\\\\?\\\\dir\\a", k_drive_folder, true, true,
       u"\\\\?\\C:\\dir\\a"},
      {true, u"\\\\?\\C:a", k_drive_folder, true, true,
       u"\\\\?\\C:\\work\\case\\a"},
      {true, u"\\\\?\\..\\a", k_share_folder, true, true,
       u"\\\\?\\UNC\\srv\\share\\a"},
      {true, u"a.txt", k_drive_folder, false, true,
       u"\\\\?\\C:\\work\\case\\a.txt"},
      {true, u"UNC\\srv\\a", k_drive_folder, false, true,
       u"\\\\?\\C:\\work\\case\\UNC\\srv\\a"},
      {false, u"\\\\?\\/data/a", u"/case", true, false, u"/data/a"},
      {false, u"\\\\?\\\\data\\a", u"/case", true, false, u"/data/a"},
      {false, u"/data/a", u"/case", false, false, u"/data/a"},
      {false, u"\\\\?\\../a", u"/case", true, true, u"/case/../a"},
      {false, u"a.txt", u"/case", false, true, u"/case/a.txt"},
      {false, u"\\\\?\\a.txt", u"/", true, true, u"/a.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.path) + (c.windows ? " on Windows" : " on POSIX"));
    EXPECT_EQ(has_extended_prefix(c.path), c.prefixed);
    const path_style style =
        c.windows ? path_style::windows : path_style::posix;
    EXPECT_EQ(rename_path_is_relative(style, c.path), c.relative);
    EXPECT_EQ(rename_path_against(style, c.path, c.folder), c.against);
  }
}

TEST(ApplyMoves, ReplacesTheLongestMatchingBeginning) {
  const std::vector<path_move> moves = {
      {u"E:\\Cases\\42\\Export", u"/mnt/case42/Export"},
      {u"E:\\Cases\\42\\Export\\Part 2", u"\\\\nas\\p2"},
      {u"F:\\", u"G:\\"},
      {u"H:\\Cases\\Export\\", u"/x/new/Export"},
      {u"J:\\Export", u"/x/new/Export/"},
      {u"K:\\Cases", u""},
  };
  const struct {
    const char16_t* value;
    const char16_t* moved;  // null when no move applies
  } cases[] = {
      {u"E:\\Cases\\42\\Export\\a.doc", u"/mnt/case42/Export\\a.doc"},
      {u"e:/cases/42/export/a.doc", u"/mnt/case42/Export/a.doc"},
      {u"E:\\Cases\\42\\Export\\Part 2\\a.doc", u"\\\\nas\\p2\\a.doc"},
      {u"E:\\Cases\\42\\Export", u"/mnt/case42/Export"},
      {u"E:\\Cases\\42\\Exported\\a.doc", nullptr},  // not at a separator
      {u"F:\\x\\a.doc", u"G:\\x\\a.doc"},
      {u"D:\\Cases\\42\\Export\\a.doc", nullptr},
      {u"\u00c9:\\a", nullptr},  // only A to Z fold
      // Joined at exactly one separator, whatever either side has.
      {u"H:\\Cases\\Export\\a.doc", u"/x/new/Export\\a.doc"},
      {u"J:\\Export\\a.doc", u"/x/new/Export/a.doc"},
      {u"J:\\Export\\\\a.doc", u"/x/new/Export/a.doc"},
      {u"F:\\", u"G:\\"},
      {u"K:\\Cases\\x\\a.doc", u"x\\a.doc"},  // cut off: relative
      // A value with the prefix matches a from written without it.
      {u"\\\\?\\E:\\Cases\\42\\Export\\a.doc", u"/mnt/case42/Export\\a.doc"},
  };
  for (const auto& c : cases) {
    std::u16string result = u"untouched";
    EXPECT_EQ(apply_moves(c.value, moves, result) != nullptr,
              c.moved != nullptr)
        << narrow(c.value);
    EXPECT_EQ(result, c.moved != nullptr ? c.moved : u"untouched");
  }
}

TEST(ParentFolder, StopsAtTheRoot) {
  const struct {
    bool windows;
    const char16_t* path;
    const char16_t* parent;
  } cases[] = {
      {true, u"\\\\?\\C:\\a\\b.doc", u"\\\\?\\C:\\a"},
      {true, u"\\\\?\\C:\\a", u"\\\\?\\C:\\"},
      {true, u"\\\\?\\C:\\", u""},
      {true, u"\\\\?\\UNC\\srv\\share\\d\\a", u"\\\\?\\UNC\\srv\\share\\d"},
      {true, u"\\\\?\\UNC\\srv\\share\\a", u"\\\\?\\UNC\\srv\\share"},
      {true, u"\\\\?\\UNC\\srv\\share", u""},
      {true, u"\\\\?\\C:\\a/b", u"\\\\?\\C:\\"},  // '/' is a name's
      {false, u"\\\\?\\/tmp/x/a", u"\\\\?\\/tmp/x"},
      {false, u"\\\\?\\/tmp\\a", u"\\\\?\\/tmp"},
      {false, u"\\\\?\\/tmp", u"\\\\?\\/"},
      {false, u"\\\\?\\/", u""},
      {false, u"\\\\?\\a/b", u"\\\\?\\a"},
      {false, u"\\\\?\\a", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.path));
    EXPECT_EQ(parent_folder(c.windows ? path_style::windows : path_style::posix,
                            c.path),
              c.parent);
  }
}

TEST(CompanionNames, FollowTheLastNamesExtension) {
  // The run record puts ".run" before the extension; the report page
  // takes the extension's place.
  const struct {
    bool windows;
    const char16_t* output;
    const char16_t* record;
    const char16_t* report;
  } cases[] = {
      {false, u"/case/renamed.txt", u"/case/renamed.run.txt",
       u"/case/renamed.report.html"},
      {false, u"/case/out", u"/case/out.run", u"/case/out.report.html"},
      {false, u"/case.d/out", u"/case.d/out.run",
       u"/case.d/out.report.html"},  // a folder's dot
      {false, u"/case/.txt", u"/case/.txt.run", u"/case/.txt.report.html"},
      {false, u"/case/a.b.txt", u"/case/a.b.run.txt", u"/case/a.b.report.html"},
      {false, u"/case/a\\b.txt", u"/case/a\\b.run.txt",
       u"/case/a\\b.report.html"},
      {true, u"C:\\case.d\\out", u"C:\\case.d\\out.run",
       u"C:\\case.d\\out.report.html"},
      {true, u"C:\\case\\renamed.txt", u"C:\\case\\renamed.run.txt",
       u"C:\\case\\renamed.report.html"},
      {true, u"C:out.txt", u"C:out.run.txt", u"C:out.report.html"},
      {true, u"\\\\srv\\s.d/out", u"\\\\srv\\s.d/out.run",
       u"\\\\srv\\s.d/out.report.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.output));
    const path_style style =
        c.windows ? path_style::windows : path_style::posix;
    EXPECT_EQ(run_record_name(style, c.output), c.record);
    EXPECT_EQ(report_page_name(style, c.output), c.report);
  }
}

TEST(OtherDriveRelative, IsTheOneFormNoFolderAnswers) {
  const struct {
    const char16_t* value;
    const char16_t* current_folder;
    bool other;
  } cases[] = {
      {u"D:a.doc", k_drive_folder, true},
      {u"d:..\\a.doc", k_drive_folder, true},
      {u"D:a.doc", k_share_folder, true},
      {u"c:a.doc", k_drive_folder, false},  // the current drive's own
      {u"D:\\a.doc", k_drive_folder, false},
      {u"a.doc", k_drive_folder, false},
      {u"\\\\?\\D:a.doc", k_drive_folder, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_other_drive_relative(c.value, c.current_folder), c.other)
        << narrow(c.value);
}

TEST(ExtendedForm, LiftsTheLengthLimitOfFullPaths) {
  const struct {
    const char16_t* path;
    const char16_t* extended;
  } cases[] = {
      {u"C:\\cases\\list.txt", u"\\\\?\\C:\\cases\\list.txt"},
      {u"\\\\srv\\share\\list.txt", u"\\\\?\\UNC\\srv\\share\\list.txt"},
      {u"\\\\?\\C:\\list.txt", u"\\\\?\\C:\\list.txt"},
      {u"\\\\.\\pipe\\x", u"\\\\.\\pipe\\x"},
      {u"list.txt", u"list.txt"},
      {u"C:list.txt", u"C:list.txt"},
      {u"C:/cases/list.txt", u"C:/cases/list.txt"},  // not as _wfullpath gives
  };
  for (const auto& c : cases)
    EXPECT_EQ(extended_form(c.path), c.extended) << narrow(c.path);
}
