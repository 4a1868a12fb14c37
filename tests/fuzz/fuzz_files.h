#pragma once

// What the whole-run fuzz targets share: a folder of their own under /tmp,
// its files, and a run of the real program (FLDREN_FUZZ_BINARY, a
// sanitized build) in it.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern char** environ;

inline std::string read_file(const std::string& path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char block[256];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
      bytes.append(block, got);
    std::fclose(file);
  }
  return bytes;
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Every file below folder, by its path from there, with its contents.
inline void collect_files(const std::string& folder, const std::string& under,
                          std::map<std::string, std::string>& files) {
  DIR* dir = opendir((folder + under).c_str());
  FUZZ_CHECK(dir != nullptr);
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = under + "/" + name;
    struct stat info;
    FUZZ_CHECK(lstat((folder + path).c_str(), &info) == 0);
    if (S_ISDIR(info.st_mode))
      collect_files(folder, path, files);
    else
      files[path] = read_file(folder + path);
  }
  closedir(dir);
}

inline std::map<std::string, std::string> folder_files(
    const std::string& folder) {
  std::map<std::string, std::string> files;
  collect_files(folder, "", files);
  return files;
}

// Removes everything below folder, the folder itself kept.
inline void empty_folder(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      empty_folder(path);
      rmdir(path.c_str());
    } else {
      unlink(path.c_str());
    }
  }
}

// The target's folder under /tmp, made by make_fuzz_folder.
inline std::string& fuzz_folder() {
  static std::string folder;
  return folder;
}

// Makes the target's folder, once, from LLVMFuzzerInitialize. It goes when
// the fuzzer ends normally; after a crash it stays, with the files of the
// input that caused it.
inline void make_fuzz_folder() {
  char pattern[] = "/tmp/fldren-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(pattern) != nullptr);
  FUZZ_CHECK(std::getenv("FLDREN_FUZZ_BINARY") != nullptr);
  fuzz_folder() = pattern;
  std::atexit([] {
    empty_folder(fuzz_folder());
    rmdir(fuzz_folder().c_str());
  });
}

// Runs the program with arguments in folder, its console thrown away (a
// sanitizer's report stays on stderr); returns its exit status, which
// must be a normal exit.
inline int run_program(const std::string& folder,
                       std::vector<std::string> arguments) {
  std::string binary = std::getenv("FLDREN_FUZZ_BINARY");
  arguments.insert(arguments.begin(), binary);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t child;
  FUZZ_CHECK(posix_spawn(&child, binary.c_str(), &actions, nullptr, argv.data(),
                         environ) == 0);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  // libFuzzer's own timer signals interrupt the wait.
  pid_t waited;
  while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
  }
  FUZZ_CHECK(waited == child);
  FUZZ_CHECK(WIFEXITED(status));
  return WEXITSTATUS(status);
}
