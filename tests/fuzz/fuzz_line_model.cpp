// Any bytes as an input file: every line read is whole, keeps at most one
// line feed (at its end), cuts into at most the columns held, and reads the
// same after a rewind.

#include "fuzz_support.h"
#include "rename/line_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  text_input input;
  attach_input(input, open_bytes(data, size), u"fuzz");
  wide_text line;
  wide_text first;
  record_fields fields;
  int count = 0;
  while (read_line(input, line)) {
    const std::size_t feed = line.find(u'\n');
    FUZZ_CHECK(feed == wide_text::npos || feed == line.size() - 1);
    split_record(line, fields);
    FUZZ_CHECK(fields.count >= 1 && fields.count <= k_max_columns);
    for (int i = 0; i < fields.count; ++i)
      FUZZ_CHECK(fields.columns[static_cast<std::size_t>(i)].find(u'\t') ==
                 wide_view::npos);
    if (count++ == 0) first = line;
  }
  FUZZ_CHECK(!input.read_failed);
  rewind_input(input);
  if (count > 0) {
    FUZZ_CHECK(read_line(input, line));
    FUZZ_CHECK(line == first);
  }
  close_input(input);
  return 0;
}
