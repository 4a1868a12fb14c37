// A whole run of the real program (FLDREN_FUZZ_BINARY, a sanitized build)
// in a temporary folder, over an export list made from the fuzzer's bytes:
// the run must end with one of its statuses, and every file must still be
// there, once, under its old name or a new one, with its contents.
//
// The bytes before the first 0xFF are the field list; the rest are records
// after a fixed header. The Destination column of every record is kept to
// names inside the folder, so that no run can reach any other file.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern char** environ;

namespace {

constexpr int k_destination_column = 7;
const char* const k_files[] = {"a", "b", "1_a", "E_b", "1_E_c", "c"};
std::string folder;

std::string read_file(const std::string& path) {
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

void write_file(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Every file of the folder with its contents.
std::map<std::string, std::string> folder_files() {
  std::map<std::string, std::string> files;
  DIR* dir = opendir(folder.c_str());
  FUZZ_CHECK(dir != nullptr);
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    files[name] = read_file(folder + "/" + name);
  }
  closedir(dir);
  return files;
}

// The lists and the report, whose contents come from the fuzzer.
bool is_list(const std::string& name) {
  return name == "fields.txt" || name == "list.txt" || name == "out.txt";
}

void empty_folder() {
  for (const auto& file : folder_files())
    unlink((folder + "/" + file.first).c_str());
}

// Keeps the Destination column to a plain name inside the folder: no
// separator, and no dot, so no "." or "..".
std::string confine_records(const std::string& records) {
  std::string result;
  int column = 0;
  for (char byte : records) {
    if (byte == '\n') column = 0;
    if (byte == '\t') ++column;
    if (column == k_destination_column &&
        (byte == '/' || byte == '\\' || byte == '.'))
      byte = '_';
    result.push_back(byte);
  }
  return result;
}

}  // namespace

namespace {

// The folder goes when the fuzzer ends normally; after a crash it stays,
// with the files of the input that caused it.
void remove_folder() {
  empty_folder();
  rmdir(folder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/fldren-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(pattern) != nullptr);
  folder = pattern;
  std::atexit(remove_folder);
  FUZZ_CHECK(std::getenv("FLDREN_FUZZ_BINARY") != nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t split = bytes.find('\xff');
  const std::string fields = bytes.substr(0, split);
  const std::string records =
      split == std::string::npos ? std::string() : bytes.substr(split + 1);

  empty_folder();
  for (const char* name : k_files) write_file(folder + "/" + name, name);
  write_file(folder + "/fields.txt", fields);
  write_file(folder + "/list.txt",
             "Name\tPath\tInt. ID\tEvidence object\tA\tB\tC\tDestination\n" +
                 confine_records(records));
  const auto before = folder_files();

  std::string binary = std::getenv("FLDREN_FUZZ_BINARY");
  std::vector<std::string> arguments = {binary,       "-x", "list.txt", "-f",
                                        "fields.txt", "-o", "out.txt"};
  if (size > 0 && data[size - 1] % 4 == 0) arguments.push_back("-n");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  // The program's own words go away; a sanitizer's report stays on stderr.
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
  const int code = WEXITSTATUS(status);
  FUZZ_CHECK(code == 0 || code == 1 || code == 2 || code == 3);

  // Nothing lost, nothing overwritten: each file's contents are still
  // there exactly once.
  std::map<std::string, int> seen;
  for (const auto& file : folder_files())
    if (!is_list(file.first)) ++seen[file.second];
  for (const char* name : k_files) FUZZ_CHECK(seen[name] == 1);
  FUZZ_CHECK(before.size() <= folder_files().size());
  return 0;
}
