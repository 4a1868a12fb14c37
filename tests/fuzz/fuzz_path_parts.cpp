// Any 16-bit text as a Destination value: the four parts join back into
// the value less a skipped prefix, and none of them reaches outside it.

#include <string>

#include "fuzz_support.h"
#include "rename/path_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::u16string value;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    value.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  path_parts parts;
  split_path(value, parts);
  std::u16string joined(parts.drive);
  joined += parts.directory;
  joined += parts.base_name;
  joined += parts.extension;
  const bool skipped = value.size() >= 6 && value[5] == u':';
  FUZZ_CHECK(joined == (skipped ? value.substr(4) : value));
  FUZZ_CHECK(parts.drive.empty() || parts.drive.size() == 2);
  FUZZ_CHECK(parts.base_name.find_first_of(u"\\/") == wide_view::npos);
  return 0;
}
