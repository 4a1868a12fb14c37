#pragma once

// Digests of whole files, from the system's own hash code: OpenSSL's
// libcrypto on POSIX, CNG (bcrypt.dll) on Windows. Implemented in
// file_hash_posix.cpp and file_hash_windows.cpp, picked by CMake.
//
// Both functions may run at once on any number of threads: each call keeps
// its own state and one read buffer of at most 1 MiB, whatever the file's
// size. The file is opened for reading only and shared with every other
// use, so that on Windows a rename of it is never refused for this read.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "text/hash_text.h"

// The size of one read of a file of file_size bytes: at most 1 MiB, large
// enough that the system's read-ahead keeps the disk busy and small enough
// that a pool of workers stays within a few MiB; at least 64 KiB. A file
// may grow while it is read: the size only bounds each read.
inline std::size_t hash_block_size(std::int64_t file_size) {
  constexpr std::int64_t k_small_block = std::int64_t{64} << 10;
  constexpr std::int64_t k_block = std::int64_t{1} << 20;
  return static_cast<std::size_t>(
      std::clamp(file_size, k_small_block, k_block));
}

// How far behind the clock a file's times must lie before a read for any
// later write to change one of them: the coarsest clock of a file system
// in use, FAT's 2 seconds.
inline constexpr std::int64_t k_coarsest_file_clock_seconds = 2;

// Puts the digest of kind (md5, sha1 or sha256) of the file a rename path
// names, its names reaching the system in form as kind_of_name takes them,
// in hex_digest: lowercase hex digits, hex_length_of(kind) of them. A
// final symbolic link is not followed: such a name fails. When bytes_done
// is given, each block read is added to it as it is read, so that another
// thread may show progress; a file read whole adds its size. When read is
// given, it receives the open file's state, through the very descriptor or
// handle read: its identity, and its version as it was before the read and
// still was after it, settled set as file_state says. The file is left as
// it was, its access time included where the system allows.
// Returns false on failure, hex_digest then empty (so that no digest of
// before can match a list) and reason the system's words for why (the
// file is missing, cannot be read, is a folder or no file at all, or
// changed while it was read); what was read before the failure stays
// counted. kind none fails too.
bool hash_file(const std::u16string& path, name_bytes form, hash_kind kind,
               std::string& hex_digest, std::u16string& reason,
               std::atomic<std::int64_t>* bytes_done = nullptr,
               file_state* read = nullptr);

// hash_file for a file named as open_for_reading takes its name (an input
// file given on the command line, resolved by resolve_full_path): on POSIX
// its name's bytes as the command line gave them, a backslash included.
bool hash_input_file(const std::u16string& name, hash_kind kind,
                     std::string& hex_digest, std::u16string& reason,
                     std::atomic<std::int64_t>* bytes_done = nullptr);

// How many reads of exported files by hash_file the system would not let
// keep the file's access time (on Linux neither the owner nor allowed
// O_NOATIME; on Windows no right to write the file's attributes): that time may
// have changed. Never fails.
std::int64_t files_read_changing_access_time();

// The reason of a hash that Ctrl+C stopped at its next block: the run is
// ending, and the file was not looked at.
inline constexpr std::u16string_view k_hash_interrupted =
    u"Ctrl+C stopped the hash";

// Makes every hash in progress, and every later one, stop at its next
// block and fail: the process is ending, and a file of many gigabytes must
// not hold it up. Never fails.
void stop_hashing_files();
