#include "rename/path_parts.h"

#include <gtest/gtest.h>

TEST(SplitPath, CutsDriveDirectoryBaseAndExtension) {
  const struct {
    const char16_t* value;
    const char16_t* drive;
    const char16_t* directory;
    const char16_t* base_name;
    const char16_t* extension;
  } cases[] = {
      {u"C:\\dir\\sub\\file.txt", u"C:", u"\\dir\\sub\\", u"file", u".txt"},
      {u"\\\\?\\C:\\dir\\file.txt", u"C:", u"\\dir\\", u"file", u".txt"},
      {u"C:\\dir\\file.tar.gz", u"C:", u"\\dir\\", u"file.tar", u".gz"},
      {u"C:\\dir\\file", u"C:", u"\\dir\\", u"file", u""},
      {u"C:\\dir.d\\file", u"C:", u"\\dir.d\\", u"file", u""},
      {u"C:\\dir\\file.txt:ads", u"C:", u"\\dir\\", u"file", u".txt:ads"},
      {u"C:\\dir\\file:ads", u"C:", u"\\dir\\", u"file", u":ads"},
      {u"relative\\file.txt", u"", u"relative\\", u"file", u".txt"},
      {u"C:file.txt", u"C:", u"", u"file", u".txt"},
      {u"/a/b.c", u"", u"/a/", u"b", u".c"},
      {u"C:\\.profile", u"C:", u"\\", u"", u".profile"},
      {u"", u"", u"", u"", u""},
      // The program splits the path a rename uses, which always begins
      // with the prefix: a colon after the drive ends the file name.
      {u"\\\\?\\C:\\ab:x", u"C:", u"\\", u"ab", u":x"},
      {u"C", u"", u"", u"C", u""},
      {u"C:", u"C:", u"", u"", u""},
      {u"/mixed\\sep/name.e", u"", u"/mixed\\sep/", u"name", u".e"},
      // A colon in a folder's name belongs to the folder, never a stream.
      {u"\\\\?\\case:42/x/b.doc", u"", u"\\\\?\\case:42/x/", u"b", u".doc"},
      {u"\\\\?\\/e/case 10:30/x.doc:ads", u"", u"\\\\?\\/e/case 10:30/", u"x",
       u".doc:ads"},
  };
  for (const auto& c : cases) {
    path_parts parts;
    split_path(c.value, parts);
    const std::u16string value = c.value;
    SCOPED_TRACE(std::string(value.begin(), value.end()));
    EXPECT_EQ(parts.drive, c.drive);
    EXPECT_EQ(parts.directory, c.directory);
    EXPECT_EQ(parts.base_name, c.base_name);
    EXPECT_EQ(parts.extension, c.extension);
  }
}
