#include "platform/platform_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/file_hash.h"
#include "platform/platform.h"
#include "platform/share_folders_posix.h"
#include "temp_dir.h"

namespace {

// The 8-bit bytes of text, as the platform encodes them.
std::string encoded_8bit(std::u16string_view text) {
  std::string bytes;
  append_8bit_encoded(text, bytes);
  return bytes;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string wide(const std::string& bytes) {
  return std::u16string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(ResolveFullPath, FoldsDotsWithoutAskingTheFileSystem) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::u16string here = wide(cwd);
  const struct {
    const char16_t* name;
    std::u16string expected;
  } cases[] = {
      {u"/a/b/../c/./d", u"/a/c/d"},
      {u"/../..", u"/"},
      {u"//a//b/", u"/a/b"},
      {u"missing.txt", here + u"/missing.txt"},
      {u"./x/../y", here + u"/y"},
      {u"C:\\dir\\f.txt", here + u"/C:\\dir\\f.txt"},
  };
  for (const auto& c : cases) {
    std::u16string result;
    EXPECT_TRUE(resolve_full_path(c.name, 2048, result));
    EXPECT_EQ(result, c.expected);
  }
}

TEST(ResolveFullPath, RefusesEmptyAndOverlongNames) {
  std::u16string result = u"untouched";
  EXPECT_FALSE(resolve_full_path(u"", 2048, result));
  EXPECT_FALSE(
      resolve_full_path(u"/" + std::u16string(2047, u'a'), 2048, result));
  EXPECT_EQ(result, u"untouched");
  EXPECT_TRUE(
      resolve_full_path(u"/" + std::u16string(2046, u'a'), 2048, result));
}

TEST(ToPosixPath, DropsThePrefixAndReadsBackslashesAsSlashes) {
  std::string result;
  const name_bytes bytes = name_bytes::eight_bit;
  EXPECT_TRUE(to_posix_path(u"\\\\?\\/tmp\\a/b.txt", bytes, result));
  EXPECT_EQ(result, "/tmp/a/b.txt");
  EXPECT_TRUE(to_posix_path(u"\\\\?\\\\\\?\\C:\\x", bytes, result));
  EXPECT_EQ(result, "//?/C:/x");
  EXPECT_TRUE(to_posix_path(u"\u00e9", bytes, result));
  EXPECT_EQ(result, "\xe9");
  EXPECT_FALSE(to_posix_path(u"\\\\?\\a\u0100", bytes, result));
  EXPECT_FALSE(to_posix_path(std::u16string(u"a\0b", 3), bytes, result));

  // Names from a Unicode list go to the file system as UTF-8.
  const name_bytes utf8 = name_bytes::utf8;
  EXPECT_TRUE(to_posix_path(u"\\\\?\\d\\\u00e9\u6587\U0001F600", utf8, result));
  EXPECT_EQ(result, "d/\xc3\xa9\xe6\x96\x87\xf0\x9f\x98\x80");
  EXPECT_FALSE(to_posix_path(std::u16string(u"a\0b", 3), utf8, result));
}

// A descriptor of a folder is used only with the last name of an absolute
// path: a relative one would be read against the wrong folder.
TEST(ShareFolders, TakeTheLastNameOnlyOfAnAbsolutePath) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"/srv/case/a.doc", "a.doc"}, {"/a.doc", "a.doc"}, {"/srv/..a", "..a"},
      {"case/a.doc", ""},           {"a.doc", ""},       {"/srv/case/", ""},
      {"/srv/case/..", ""},         {"/srv/.", ""},      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(last_name_of(c.path), c.name) << c.path;
}

TEST(EightBitText, TravelsByteForByte) {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte)
    bytes.push_back(static_cast<char>(byte));
  std::u16string text = u"x";
  decode_8bit(bytes, text);
  ASSERT_EQ(text.size(), 257u);
  for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(text[i + 1], i);
  EXPECT_EQ(encoded_8bit(text.substr(1)), bytes);
  EXPECT_EQ(encoded_8bit(u"a\u0100\u20ac"), "a??");
}

TEST(RenameNoReplace, NeverReplacesAnExistingFile) {
  scoped_temp_dir dir;
  const auto from = dir.write("from.txt", "from");
  const auto to = dir.write("to.txt", "to");
  const std::u16string prefix = u"\\\\?\\";
  std::u16string reason;
  EXPECT_EQ(rename_no_replace(prefix + wide(from.string()),
                              prefix + wide(to.string()), name_bytes::eight_bit,
                              reason),
            rename_outcome::failed);
  EXPECT_EQ(reason, name_exists_text());
  EXPECT_EQ(read_file(from), "from");
  EXPECT_EQ(read_file(to), "to");

  const auto fresh = dir.path() / "fresh.txt";
  EXPECT_EQ(rename_no_replace(prefix + wide(from.string()),
                              prefix + wide(fresh.string()),
                              name_bytes::eight_bit, reason),
            rename_outcome::renamed);
  EXPECT_FALSE(std::filesystem::exists(from));
  EXPECT_EQ(read_file(fresh), "from");
}

TEST(RenameByLink, MovesTheNameAndNeverReplaces) {
  scoped_temp_dir dir;
  const auto from = dir.write("from.txt", "from");
  const auto to = dir.write("to.txt", "to");
  EXPECT_FALSE(link_and_unlink(AT_FDCWD, from.c_str(), to.c_str()));
  EXPECT_EQ(read_file(from), "from");
  EXPECT_EQ(read_file(to), "to");

  const auto fresh = dir.path() / "fresh.txt";
  EXPECT_TRUE(link_and_unlink(AT_FDCWD, from.c_str(), fresh.c_str()));
  EXPECT_FALSE(std::filesystem::exists(from));
  EXPECT_EQ(read_file(fresh), "from");

  // A directory cannot be hard-linked: refused, and left where it was.
  const auto folder = dir.path() / "folder";
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(link_and_unlink(AT_FDCWD, folder.c_str(),
                               (dir.path() / "moved").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(KindOfName, SaysWhyItCannotTell) {
  scoped_temp_dir dir;
  dir.write("file.txt", "F");
  std::filesystem::create_directory(dir.path() / "folder");
  std::filesystem::create_directory_symlink(dir.path() / "loop",
                                            dir.path() / "loop");
  const std::u16string base = u"\\\\?\\" + wide(dir.path().string());
  const struct {
    const char16_t* name;
    name_kind kind;
    std::u16string reason;
  } cases[] = {
      {u"/file.txt", name_kind::file, u""},
      {u"/folder", name_kind::directory, u""},
      {u"/folder/gone.txt", name_kind::missing, u""},
      {u"/gone/deeper/x.txt", name_kind::no_folder,
       u"The folder " + base + u"/gone does not exist"},
      {u"\\gone\\x.txt", name_kind::no_folder,
       u"The folder " + base + u"\\gone does not exist"},
      {u"/file.txt/x.txt", name_kind::unknown, u"Not a directory"},
      {u"/loop/x.txt", name_kind::unknown,
       u"Too many levels of symbolic links"},
  };
  for (const auto& c : cases) {
    std::u16string reason;
    SCOPED_TRACE(std::string(c.name, c.name + std::u16string(c.name).size()));
    EXPECT_EQ(kind_of_name(base + c.name, name_bytes::eight_bit, reason),
              c.kind);
    EXPECT_EQ(reason, c.reason);
  }
}

TEST(FlushToDisk, KeepsFilesAndPassesOverDevices) {
  scoped_temp_dir dir;
  std::FILE* file = std::fopen((dir.path() / "out.txt").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(write_file_at(file, 0, "line\n"));
  EXPECT_TRUE(flush_to_disk(file));
  std::fclose(file);
  // The null device has no disk behind it: nothing to keep, no error.
  std::FILE* null_device = std::fopen("/dev/null", "wb");
  ASSERT_NE(null_device, nullptr);
  EXPECT_TRUE(flush_to_disk(null_device));
  std::fclose(null_device);
}

TEST(HashFile, ReachesTheFileItsNameMeans) {
  // Two files whose names differ only as the form reads them, and a name
  // holding a backslash beside a folder and file that a slash would name:
  // each name reaches its own file, told apart by its content.
  scoped_temp_dir dir;
  const std::u16string base = wide(dir.path().string()) + u"/";
  dir.write("caf\xc3\xa9.bin", "abc");
  dir.write("caf\xe9.bin", "");
  dir.write("a\\b.bin", "abc");
  std::filesystem::create_directory(dir.path() / "a");
  dir.write("a/b.bin", "");
  const std::string abc = "900150983cd24fb0d6963f7d28e17f72";
  const std::string empty = "d41d8cd98f00b204e9800998ecf8427e";
  const struct {
    std::u16string path;
    name_bytes form;
    bool input;  // named as on the command line, not a rename path
    const std::string& digest;
  } cases[] = {
      {base + u"caf\u00e9.bin", name_bytes::utf8, false, abc},
      {u"\\\\?\\" + base + u"caf\u00e9.bin", name_bytes::utf8, false, abc},
      {base + u"caf\u00e9.bin", name_bytes::eight_bit, false, empty},
      {base + u"caf\u00e9.bin", name_bytes::utf8, true, abc},
      {base + u"a\\b.bin", name_bytes::utf8, false, empty},
      {base + u"a\\b.bin", name_bytes::utf8, true, abc},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
    std::string digest;
    std::u16string reason;
    EXPECT_TRUE(
        c.input ? hash_input_file(c.path, hash_kind::md5, digest, reason)
                : hash_file(c.path, c.form, hash_kind::md5, digest, reason));
    EXPECT_EQ(digest, c.digest);
  }
}

TEST(HashFile, RefusesWhatIsNoRegularFileWithoutWaiting) {
  // A pipe without a writer would hold an open for reading for ever, and a
  // device may never end.
  scoped_temp_dir dir;
  const std::string fifo = (dir.path() / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(name);
    std::string digest;
    std::u16string reason;
    EXPECT_FALSE(hash_file(wide(name), name_bytes::utf8, hash_kind::sha1,
                           digest, reason));
    EXPECT_EQ(reason, u"Not a regular file");
  }
}

TEST(FileState, TellsAnInPlaceWriteAndALinkFromTheFileRead) {
  // A file last written long ago, as an export is: its times set back.
  scoped_temp_dir dir;
  const std::string name = dir.write("f.bin", "abcd").string();
  const std::u16string path = wide(name);
  const struct timespec long_ago[2] = {{978307200, 0}, {978307200, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, name.c_str(), long_ago, 0), 0);

  // The hash tells the file it read as a look at the name does, and the
  // read leaves even the access time as it was.
  file_state named;
  file_state read;
  std::string digest;
  std::u16string reason;
  ASSERT_TRUE(state_of_rename_path(path, name_bytes::utf8, named));
  ASSERT_TRUE(hash_file(path, name_bytes::utf8, hash_kind::md5, digest, reason,
                        nullptr, &read));
  EXPECT_EQ(digest, "e2fc714c4727ee9395f324cd2e7f331f");
  EXPECT_TRUE(same_identity(read.identity, named.identity));
  EXPECT_TRUE(same_version(read.version, named.version));
  EXPECT_FALSE(named.symbolic_link);
  // Its change time is now, set by the times set back: not settled.
  EXPECT_FALSE(read.settled);
  struct stat info;
  ASSERT_EQ(stat(name.c_str(), &info), 0);
  EXPECT_EQ(info.st_atim.tv_sec, long_ago[0].tv_sec);

  // Overwritten in place, as dd conv=notrunc does: same file, same size,
  // another version.
  const int writer = open(name.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(pwrite(writer, "X", 1, 0), 1);
  close(writer);
  file_state written;
  ASSERT_TRUE(state_of_rename_path(path, name_bytes::utf8, written));
  EXPECT_TRUE(same_identity(written.identity, named.identity));
  EXPECT_EQ(written.version.size, named.version.size);
  EXPECT_FALSE(same_version(written.version, named.version));

  // A link is looked at itself, and never read through.
  const std::string link = (dir.path() / "link").string();
  ASSERT_EQ(symlink(name.c_str(), link.c_str()), 0);
  file_state linked;
  ASSERT_TRUE(state_of_rename_path(wide(link), name_bytes::utf8, linked));
  EXPECT_TRUE(linked.symbolic_link);
  EXPECT_FALSE(same_identity(linked.identity, named.identity));
  EXPECT_FALSE(
      hash_file(wide(link), name_bytes::utf8, hash_kind::md5, digest, reason));
  EXPECT_EQ(digest, "");
}
