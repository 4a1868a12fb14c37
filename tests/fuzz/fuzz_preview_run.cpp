// The preview is the run: over a tree of files and a list drawn from the
// fuzzer's bytes, a preview (-n) changes nothing, and the real run that
// follows writes the very output file the preview wrote, line for line
// ("Success" where the preview wrote "Planned"), and ends with the same
// status; no file is lost.
//
// Every three bytes make a record: which file, how its Destination is
// spelt (separators doubled or turned, '.' and '..' segments, upper case,
// absolute or relative), and which value goes in front of its name. The
// files hold names that collide and chain once renamed, a folder with a
// colon, and a name beyond ASCII; the values hold separators, a colon,
// names long in bytes and in units. Every spelling stays inside the tree.
// An input of even length runs both with -t, which cuts a name too long
// for its folder: the preview must cut it as the run does.

#include <string>
#include <vector>

#include "fuzz_files.h"

namespace {

const char* const k_files[] = {
    "a",
    "B",
    "1_a",
    "c.txt",
    "d/e",
    "d/1_e",
    "f:g/h",
    "1_f:g/h",
    "\xc3\x9c.doc",
    "d/E",
    "1_1_a",
    "d/x_e",
    "d/a long name of forty characters, it is.txt",
};
const char* const k_folders[] = {"d", "f:g", "1_f:g"};

std::string long_text(const char* piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

const std::vector<std::string>& values() {
  static const std::vector<std::string> drawn = {
      "1",
      "a",
      "A",
      "",
      "1_",
      "x",
      "\xc3\xa9",
      "d/x",
      ":s",
      long_text("\xc3\xa9", 130),  // 260 bytes in UTF-8, 130 units
      long_text("z", 250),         // too long for any name
      long_text("z", 230),         // -t cuts a long name in units
      long_text("\xc3\xa9", 120),  // and on ext4 in bytes
      "1_a",
      "E",
  };
  return drawn;
}

std::string folder;

// The Destination of file, spelt as variant says: every spelling names
// the same file, or one beside it, inside the tree.
std::string spelt(const std::string& file, std::uint8_t variant) {
  std::string path = file;
  std::string separator = "/";
  switch (variant & 3) {
    case 1:
      separator = "\\";
      break;
    case 2:
      separator = "//";
      break;
    case 3:
      separator = "/./";
      break;
  }
  std::string result;
  for (char byte : path) {
    if (byte == '/')
      result += separator;
    else
      result += byte;
  }
  if ((variant & 4) != 0) result = "d/.." + separator + result;
  if ((variant & 8) != 0)
    for (char& byte : result)
      if (byte >= 'a' && byte <= 'z') byte = static_cast<char>(byte - 32);
  if ((variant & 16) != 0) result = folder + "/" + result;
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  make_fuzz_folder();
  folder = fuzz_folder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  empty_folder(folder);
  for (const char* name : k_folders) mkdir((folder + "/" + name).c_str(), 0777);
  // A few of the files, as the first byte says, so that names collide.
  const unsigned present = size > 0 ? data[0] | 0x01u : 0xFFFu;
  constexpr std::size_t k_file_count = sizeof k_files / sizeof k_files[0];
  for (std::size_t i = 0; i < k_file_count; ++i)
    if ((present >> (i % 8)) & 1u)
      write_file(folder + "/" + k_files[i], k_files[i]);

  std::string listed = "Name\tPath\tInt. ID\tEvidence object\tDestination\n";
  for (std::size_t at = 1; at + 2 < size && at < 1 + 3 * 40; at += 3) {
    const std::string file = k_files[data[at] % k_file_count];
    listed += "n\tp\t" + values()[data[at + 2] % values().size()] + "\tE\t" +
              spelt(file, data[at + 1]) + "\n";
  }
  write_file(folder + "/list.txt", listed);
  write_file(folder + "/fields.txt", "Int. ID\n");

  const auto before = folder_files(folder);
  const bool trim = (size & 1) == 0;
  std::vector<std::string> preview = {"-x", "list.txt", "-f",      "fields.txt",
                                      "-n", "-o",       "plan.txt"};
  std::vector<std::string> run = {"-x",         "list.txt", "-f",
                                  "fields.txt", "-o",       "real.txt"};
  if (trim) {
    preview.push_back("-t");
    run.push_back("-t");
  }
  const int planned = run_program(folder, preview);
  auto after_plan = folder_files(folder);
  after_plan.erase("/plan.txt");
  after_plan.erase("/plan.run.txt");
  after_plan.erase("/plan.report.html");
  FUZZ_CHECK(after_plan == before);

  const int done = run_program(folder, run);
  FUZZ_CHECK(planned == done);
  // Where the run writes "Success", the preview writes "Planned", and
  // only there.
  std::string plan = read_file(folder + "/plan.txt");
  FUZZ_CHECK(plan.find("\tSuccess\t") == std::string::npos);
  const std::string planned_word = "\tPlanned\t";
  for (std::size_t at = plan.find(planned_word); at != std::string::npos;
       at = plan.find(planned_word, at))
    plan.replace(at, planned_word.size(), "\tSuccess\t");
  FUZZ_CHECK(plan == read_file(folder + "/real.txt"));

  // Nothing lost: every file's contents are there exactly once.
  std::map<std::string, int> seen;
  for (const auto& file : folder_files(folder)) ++seen[file.second];
  for (const auto& file : before) FUZZ_CHECK(seen[file.second] >= 1);
  return 0;
}
