// Any bytes as a field list: it is refused or read into at most 128
// titles, each non-empty, without its line feed or trailing spaces.

#include "fuzz_support.h"
#include "rename/input_files.h"
#include "rename/line_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  text_input input;
  attach_input(input, open_bytes(data, size), u"fuzz");
  static field_name_list list;
  int line_number = 0;
  const field_list_result result = parse_field_list(input, list, line_number);
  close_input(input);
  FUZZ_CHECK(result != field_list_result::read_failed);
  FUZZ_CHECK(list.count >= 0 && list.count <= k_max_field_names);
  for (int i = 0; i < list.count; ++i) {
    const wide_text& title = list.names[static_cast<std::size_t>(i)];
    FUZZ_CHECK(!title.empty() && title.size() <= k_max_field_line);
    FUZZ_CHECK(title.back() != u' ' && title.back() != u'\n');
  }
  if (result == field_list_result::line_too_long) FUZZ_CHECK(line_number > 0);
  return 0;
}
