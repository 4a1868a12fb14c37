// A whole run of the real program (FLDREN_FUZZ_BINARY, a sanitized build)
// in a temporary folder, over an export list made from the fuzzer's bytes:
// the run must end with one of its statuses, and every file must still be
// there, once, under its old name or a new one, with its contents.
//
// The bytes before the first 0xFF are the field list; the rest are records
// after a fixed header. The Destination column of every record is kept to
// names inside the folder, so that no run can reach any other file.

#include <string>
#include <vector>

#include "fuzz_files.h"

namespace {

constexpr int k_destination_column = 7;
const char* const k_files[] = {"a", "b", "1_a", "E_b", "1_E_c", "c"};
std::string folder;

// The lists, the report, the run's record and its page, whose contents
// come from the fuzzer.
bool is_list(const std::string& name) {
  return name == "/fields.txt" || name == "/list.txt" || name == "/out.txt" ||
         name == "/out.run.txt" || name == "/out.report.html";
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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  make_fuzz_folder();
  folder = fuzz_folder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t split = bytes.find('\xff');
  const std::string fields = bytes.substr(0, split);
  const std::string records =
      split == std::string::npos ? std::string() : bytes.substr(split + 1);

  empty_folder(folder);
  for (const char* name : k_files) write_file(folder + "/" + name, name);
  write_file(folder + "/fields.txt", fields);
  write_file(folder + "/list.txt",
             "Name\tPath\tInt. ID\tEvidence object\tA\tB\tC\tDestination\n" +
                 confine_records(records));
  const auto before = folder_files(folder);

  std::vector<std::string> arguments = {"-x",         "list.txt", "-f",
                                        "fields.txt", "-o",       "out.txt"};
  if (size > 0 && data[size - 1] % 4 == 0) arguments.push_back("-n");
  const int code = run_program(folder, arguments);
  FUZZ_CHECK(code == 0 || code == 1 || code == 2 || code == 3);

  // Nothing lost, nothing overwritten: each file's contents are still
  // there exactly once.
  std::map<std::string, int> seen;
  for (const auto& file : folder_files(folder))
    if (!is_list(file.first)) ++seen[file.second];
  for (const char* name : k_files) FUZZ_CHECK(seen[name] == 1);
  FUZZ_CHECK(before.size() <= folder_files(folder).size());
  // The page beside the report holds the lists' text only as text: no
  // element of theirs, and it is whole.
  const auto files = folder_files(folder);
  const auto page = files.find("/out.report.html");
  if (page != files.end()) {
    FUZZ_CHECK(page->second.find("<script") == std::string::npos);
    FUZZ_CHECK(page->second.find("<img") == std::string::npos);
    const std::string end = "</html>\n";
    FUZZ_CHECK(page->second.size() >= end.size() &&
               page->second.compare(page->second.size() - end.size(),
                                    end.size(), end) == 0);
  }
  return 0;
}
