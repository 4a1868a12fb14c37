#include "platform/platform_windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_hash.h"
#include "platform/platform.h"
#include "rename/renamer.h"
#include "temp_dir.h"

namespace {

// The 8-bit bytes of text, as the platform encodes them.
std::string encoded_8bit(std::u16string_view text) {
  std::string bytes;
  append_8bit_encoded(text, bytes);
  return bytes;
}

std::u16string wide(const std::filesystem::path& path) {
  const std::wstring text = path.wstring();
  return std::u16string(text.begin(), text.end());
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(ResolveFullPath, NeverResolvesAnEmptyName) {
  // The runtime would answer with the current directory.
  std::u16string result = u"untouched";
  EXPECT_FALSE(resolve_full_path(u"", 2048, result));
  EXPECT_EQ(result, u"untouched");
  EXPECT_TRUE(resolve_full_path(u"a\\..\\b.txt", 2048, result));
  EXPECT_EQ(result.substr(result.size() - 6), u"\\b.txt");
  EXPECT_EQ(result[1], u':');
}

TEST(RenameNoReplace, NeverReplacesAnExistingFile) {
  scoped_temp_dir dir;
  const auto from = dir.write("from.txt", "from");
  const auto to = dir.write("to.txt", "to");
  const std::u16string prefix = u"\\\\?\\";
  std::u16string reason;
  EXPECT_EQ(rename_no_replace(prefix + wide(from), prefix + wide(to),
                              name_bytes::utf8, reason),
            rename_outcome::failed);
  EXPECT_EQ(reason, name_exists_text());
  EXPECT_EQ(read_file(from), "from");
  EXPECT_EQ(read_file(to), "to");

  const auto fresh = dir.path() / "fresh.txt";
  EXPECT_EQ(rename_no_replace(prefix + wide(from), prefix + wide(fresh),
                              name_bytes::utf8, reason),
            rename_outcome::renamed);
  EXPECT_FALSE(std::filesystem::exists(from));
  EXPECT_EQ(read_file(fresh), "from");
}

TEST(OpenForReading, RefusesNamesHoldingANul) {
  EXPECT_EQ(open_for_reading(std::u16string(u"a\0b", 3)), nullptr);
  EXPECT_EQ(open_for_reading(u""), nullptr);
}

TEST(EightBitText, TravelsThroughTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
  // A typographic apostrophe, a euro sign and a dash, as document names
  // hold them, come back as the bytes they were read from.
  const std::string bytes = "Ann\x92s \x80 \x96 \xe9.doc";
  std::u16string text;
  decode_8bit(bytes, text);
  EXPECT_EQ(text, u"Ann\u2019s \u20ac \u2013 \u00e9.doc");
  EXPECT_EQ(encoded_8bit(text), bytes);
  EXPECT_EQ(encoded_8bit(u"\u0100\u6587"), "??");  // no look-alikes
}

TEST(KindOfName, SaysWhichFolderIsMissing) {
  scoped_temp_dir dir;
  dir.write("file.txt", "F");
  const std::u16string base = u"\\\\?\\" + wide(dir.path());
  std::u16string reason;
  EXPECT_EQ(kind_of_name(base + u"\\file.txt", name_bytes::utf8, reason),
            name_kind::file);
  EXPECT_EQ(kind_of_name(base + u"\\gone.txt", name_bytes::utf8, reason),
            name_kind::missing);
  EXPECT_EQ(
      kind_of_name(base + u"\\gone\\deeper\\x.txt", name_bytes::utf8, reason),
      name_kind::no_folder);
  EXPECT_EQ(reason, u"The folder " + base + u"\\gone does not exist");
}

TEST(HeldFiles, AreWaitedForUntilThreeInARowStayHeld) {
  // Another program's handle without sharing holds each file, as a
  // preview pane or the forensic suite may.
  scoped_temp_dir dir;
  const std::u16string prefix = u"\\\\?\\";
  std::vector<HANDLE> holds;
  renamer names;
  journal log;
  for (int i = 0; i < k_held_in_a_row + 1; ++i) {
    const auto from = dir.write("held" + std::to_string(i), "x");
    holds.push_back(CreateFileW(from.wstring().c_str(), GENERIC_READ, 0,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(holds.back(), INVALID_HANDLE_VALUE);
    std::u16string reason;
    EXPECT_EQ(rename_no_replace(prefix + wide(from),
                                prefix + wide(dir.path() / "moved"),
                                name_bytes::utf8, reason, false),
              rename_outcome::held);
    EXPECT_EQ(names.wait_when_held, i < k_held_in_a_row);
    EXPECT_FALSE(rename_file(names, log, prefix + wide(from),
                             prefix + wide(dir.path() / "moved"), reason));
  }
  // Three in a row used up their wait: the rest of the run waits no more.
  EXPECT_FALSE(names.wait_when_held);
  for (HANDLE hold : holds) CloseHandle(hold);
}

TEST(CreationTime, IsSetBackAsItWas) {
  scoped_temp_dir dir;
  const auto file = dir.write("a", "A");
  const std::u16string path = u"\\\\?\\" + wide(file);
  std::uint64_t created = 0;
  ASSERT_TRUE(creation_time_of(path, created));
  const std::uint64_t earlier = created - 10000000ull * 3600;  // an hour
  ASSERT_TRUE(set_creation_time(path, earlier));
  std::uint64_t now_created = 0;
  ASSERT_TRUE(creation_time_of(path, now_created));
  // Wine keeps files on a Linux file system, which keeps no creation time
  // a program may set; NTFS does.
  if (now_created == created)
    GTEST_SKIP() << "the file system keeps no settable creation time";
  EXPECT_EQ(now_created, earlier);
}

TEST(HashFile, ReadsLongPathsAndFilesOthersWrite) {
  // A path beyond MAX_PATH, as an export's deep folders make, reached with
  // and without the prefix (Wine opens such paths either way: this half
  // guards Windows itself); and a file another program holds open for
  // writing (a list still being written, a journal), which a read that
  // shared less would be refused.
  scoped_temp_dir dir;
  const std::u16string prefix = u"\\\\?\\";
  std::u16string folder = wide(dir.path());
  for (int depth = 0; depth < 3; ++depth) {
    folder += u"\\" + std::u16string(100, static_cast<char16_t>(u'a' + depth));
    const std::wstring wide_folder(prefix.begin(), prefix.end());
    ASSERT_TRUE(CreateDirectoryW(
        (wide_folder + std::wstring(folder.begin(), folder.end())).c_str(),
        nullptr));
  }
  const std::u16string deep = folder + u"\\abc.txt";
  const std::wstring wide_deep = std::wstring(prefix.begin(), prefix.end()) +
                                 std::wstring(deep.begin(), deep.end());
  const HANDLE writer = CreateFileW(wide_deep.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer, "abc", 3, &written, nullptr));
  const struct {
    std::u16string name;
    bool input;
  } cases[] = {
      {deep, true},
      {prefix + deep, true},
      {prefix + deep, false},
  };
  for (const auto& c : cases) {
    std::string digest;
    std::u16string reason;
    EXPECT_TRUE(c.input
                    ? hash_input_file(c.name, hash_kind::md5, digest, reason)
                    : hash_file(c.name, name_bytes::utf8, hash_kind::md5,
                                digest, reason))
        << std::string(reason.begin(), reason.end());
    EXPECT_EQ(digest, "900150983cd24fb0d6963f7d28e17f72");
  }
  CloseHandle(writer);
  // The long folders are beyond what the test's clean-up reaches.
  DeleteFileW(wide_deep.c_str());
  for (int depth = 0; depth < 3; ++depth) {
    const std::wstring wide_folder =
        std::wstring(prefix.begin(), prefix.end()) +
        std::wstring(folder.begin(), folder.end());
    RemoveDirectoryW(wide_folder.c_str());
    folder.resize(folder.size() - 101);
  }
}

TEST(FileState, TellsAnInPlaceWriteFromTheFileRead) {
  // A file last written long ago, as an export is: its write time set back.
  scoped_temp_dir dir;
  const std::filesystem::path file = dir.write("f.bin", "abcd");
  const std::u16string path = wide(file);
  const std::wstring wide_path = file.wstring();
  HANDLE handle = CreateFileW(wide_path.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  FILE_BASIC_INFO basic{};
  basic.LastWriteTime.QuadPart = 126227808000000000;  // 2001-01-01
  ASSERT_TRUE(
      SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic));
  CloseHandle(handle);

  // The hash tells the file it read as a look at the name does.
  file_state named;
  file_state read;
  std::string digest;
  std::u16string reason;
  ASSERT_TRUE(state_of_rename_path(path, name_bytes::utf8, named));
  ASSERT_TRUE(hash_file(path, name_bytes::utf8, hash_kind::md5, digest, reason,
                        nullptr, &read))
      << std::string(reason.begin(), reason.end());
  EXPECT_EQ(digest, "e2fc714c4727ee9395f324cd2e7f331f");
  EXPECT_TRUE(same_identity(read.identity, named.identity));
  EXPECT_TRUE(same_version(read.version, named.version));
  EXPECT_EQ(named.version.size, 4);
  EXPECT_FALSE(named.symbolic_link);
  // Its change time is now, set by the time set back: not settled.
  EXPECT_FALSE(read.settled);

  // Overwritten in place: same file, same size, another version.
  handle = CreateFileW(wide_path.c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(handle, "X", 1, &written, nullptr));
  CloseHandle(handle);
  file_state now;
  ASSERT_TRUE(state_of_rename_path(path, name_bytes::utf8, now));
  EXPECT_TRUE(same_identity(now.identity, named.identity));
  EXPECT_EQ(now.version.size, named.version.size);
  EXPECT_FALSE(same_version(now.version, named.version));
}

TEST(TunnelSettings, AreReadWhereSet) {
  // Wine's registry holds neither value until a test sets it.
  const wchar_t* key = L"SYSTEM\\CurrentControlSet\\Control\\FileSystem";
  const tunnel_settings unset = read_tunnel_settings();
  EXPECT_FALSE(unset.age_set);
  const DWORD age = 42;
  const DWORD entries = 0;
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key,
                            L"MaximumTunnelEntryAgeInSeconds", REG_DWORD, &age,
                            sizeof age),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"MaximumTunnelEntries",
                            REG_DWORD, &entries, sizeof entries),
            ERROR_SUCCESS);
  const tunnel_settings set = read_tunnel_settings();
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key,
                     L"MaximumTunnelEntryAgeInSeconds");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, L"MaximumTunnelEntries");
  EXPECT_TRUE(set.age_set && set.entries_set);
  EXPECT_EQ(set.age_seconds, 42u);
  EXPECT_EQ(set.entries, 0u);
}
