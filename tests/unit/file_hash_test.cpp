// The file digests of both builds, against digests that Python's hashlib
// gave for the same bytes.

#include "platform/file_hash.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.h"

namespace {

// 3 MiB and 7 bytes: three full reads of the largest block and a short
// one. The bytes never repeat with the block, so that a block read twice
// or left out changes the digest.
std::string large_content() {
  std::string bytes((std::size_t{3} << 20) + 7, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(
        (static_cast<std::uint32_t>(i) * std::uint32_t{2654435761u}) >> 24);
  return bytes;
}

const char k_large_sha256[] =
    "b9904eecfeba7d9b4422f9ca9a93657bccc7a66634441b987eeed501e8673de9";

}  // namespace

TEST(HashFile, GivesTheDigestsOfKnownContent) {
  const scoped_temp_dir dir;
  const std::string large = large_content();
  const struct {
    const char* name;
    const std::string& content;
    hash_kind kind;
    const char* digest;
  } cases[] = {
      {"empty", "", hash_kind::md5, "d41d8cd98f00b204e9800998ecf8427e"},
      {"empty", "", hash_kind::sha1,
       "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"empty", "", hash_kind::sha256,
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", hash_kind::md5, "900150983cd24fb0d6963f7d28e17f72"},
      {"abc", "abc", hash_kind::sha1,
       "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abc", "abc", hash_kind::sha256,
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"large", large, hash_kind::md5, "25b853deb8e83dd6350aae9b926a4c90"},
      {"large", large, hash_kind::sha1,
       "aaa53f823ee6e107d312b9c01d46ee62394a8a1d"},
      {"large", large, hash_kind::sha256, k_large_sha256},
  };
  for (const auto& c : cases) {
    const std::u16string path = dir.write(c.name, c.content).u16string();
    for (const bool input : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (input ? " named" : " by path") + " " +
                   std::to_string(hex_length_of(c.kind)));
      std::string digest = "stale";
      std::u16string reason;
      std::atomic<std::int64_t> done{0};
      const bool hashed =
          input ? hash_input_file(path, c.kind, digest, reason, &done)
                : hash_file(path, name_bytes::utf8, c.kind, digest, reason,
                            &done);
      EXPECT_TRUE(hashed) << std::string(reason.begin(), reason.end());
      EXPECT_EQ(digest, c.digest);
      EXPECT_EQ(done.load(), static_cast<std::int64_t>(c.content.size()));
    }
  }
}

TEST(HashFile, FailsWithTheSystemsWordsAndNoDigest) {
  const scoped_temp_dir dir;
  const std::u16string present = dir.write("abc", "abc").u16string();
  const std::u16string folder = dir.path().u16string();
  const std::u16string missing = (dir.path() / "missing").u16string();
  const std::u16string no_folder =
      (dir.path() / "no folder" / "abc").u16string();
  const struct {
    std::u16string path;
    hash_kind kind;
  } cases[] = {
      {missing, hash_kind::sha256},
      {no_folder, hash_kind::md5},
      {folder, hash_kind::sha1},
      {u"", hash_kind::sha256},
      {present + std::u16string(1, u'\0'), hash_kind::sha256},
      {present, hash_kind::none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
    for (const bool input : {false, true}) {
      std::string digest = "e3b0c44298fc1c149afbf4c8996fb924";
      std::u16string reason;
      const bool hashed =
          input ? hash_input_file(c.path, c.kind, digest, reason)
                : hash_file(c.path, name_bytes::utf8, c.kind, digest, reason);
      EXPECT_FALSE(hashed);
      EXPECT_EQ(digest, "");
      EXPECT_FALSE(reason.empty());
    }
  }
}

TEST(HashFile, ServesThreadsAtOnce) {
  const scoped_temp_dir dir;
  const std::string large = large_content();
  const std::u16string path = dir.write("large", large).u16string();
  // Each thread gets its own file too, so that a buffer or state shared
  // between calls would mix two files' bytes.
  const std::u16string other = dir.write("abc", "abc").u16string();
  constexpr int k_threads = 4;
  std::atomic<std::int64_t> done{0};
  std::vector<std::string> digests(k_threads);
  std::vector<std::string> others(k_threads);
  std::vector<std::thread> threads;
  for (int t = 0; t < k_threads; ++t)
    threads.emplace_back([&, t] {
      const auto at = static_cast<std::size_t>(t);
      std::u16string reason;
      for (int round = 0; round < 3; ++round) {
        hash_file(path, name_bytes::utf8, hash_kind::sha256, digests[at],
                  reason, &done);
        hash_file(other, name_bytes::utf8, hash_kind::md5, others[at], reason,
                  &done);
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < k_threads; ++t) {
    EXPECT_EQ(digests[static_cast<std::size_t>(t)], k_large_sha256);
    EXPECT_EQ(others[static_cast<std::size_t>(t)],
              "900150983cd24fb0d6963f7d28e17f72");
  }
  EXPECT_EQ(done.load(), std::int64_t{k_threads} * 3 *
                             static_cast<std::int64_t>(large.size() + 3));
}

TEST(StillAsRead, TrustsADigestOnlyWhileNothingOfTheFileMoved) {
  file_state read;
  read.identity = {7, 42, 0};
  read.version = {4, 1000, 2000};
  read.settled = true;
  file_state unsettled = read;
  unsettled.settled = false;
  const auto now = [&](auto change) {
    file_state state = read;
    state.settled = false;  // a look at a name never says so
    change(state);
    return state;
  };
  const struct {
    const char* what;
    file_state read;
    file_state now;
    bool trusted;
  } cases[] = {
      {"unchanged", read, now([](file_state&) {}), true},
      {"read just after a write", unsettled, now([](file_state&) {}), false},
      {"another file", read, now([](file_state& s) { s.identity.index = 43; }),
       false},
      {"another volume", read,
       now([](file_state& s) { s.identity.volume = 8; }), false},
      {"grown", read, now([](file_state& s) { s.version.size = 5; }), false},
      {"written in place", read,
       now([](file_state& s) { s.version.modified = 1001; }), false},
      {"written, its time set back", read,
       now([](file_state& s) { s.version.changed = 2001; }), false},
      {"a link now", read, now([](file_state& s) { s.symbolic_link = true; }),
       false},
      {"no identity told", now([](file_state& s) {
         s.identity = {};
         s.settled = true;
       }),
       now([](file_state& s) { s.identity = {}; }), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(still_as_read(c.read, c.now), c.trusted);
  }
}

TEST(FileId, ZerosAndAllOnesNameNoFile) {
  constexpr std::uint64_t ones = ~std::uint64_t{0};
  const struct {
    std::uint64_t low;
    std::uint64_t high;
    bool wide;
    bool known;
  } cases[] = {
      {42, 0, false, true},      {0, 0, false, false},  {ones, 0, false, false},
      {42, 0, true, true},       {0, 7, true, true},    {0, 0, true, false},
      {ones, ones, true, false}, {ones, 0, true, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_known_file_id(c.low, c.high, c.wide), c.known)
        << c.low << " " << c.high << (c.wide ? " wide" : "");
  // A volume's serial beside an unknown index makes no file one with
  // another.
  file_identity share;
  share.volume = 7;
  EXPECT_FALSE(same_identity(share, share));
}
