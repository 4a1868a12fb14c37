// Any title against any header: every column found exists in the header,
// and a title found is where the header holds it, ignoring A to Z case.

#include <string>

#include "fuzz_support.h"
#include "rename/header_analysis.h"

namespace {

std::int32_t column_count(wide_view header) {
  std::int32_t tabs = 0;
  for (char16_t unit : header) tabs += unit == u'\t';
  return tabs + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  // The first byte says how much of the rest is the title.
  const std::size_t title_size = data[0] % 32;
  std::u16string title;
  std::u16string header;
  for (std::size_t i = 1; i < size; ++i)
    (i <= title_size ? title : header).push_back(data[i]);

  const std::int32_t columns = column_count(header);
  const std::int32_t found = find_title_column(header, title);
  FUZZ_CHECK(found >= -1 && found < columns);
  if (title.empty() && !header.empty() && header[0] != u'\t')
    FUZZ_CHECK(found == 0);
  const keyword_columns keywords = find_keyword_columns(header);
  for (std::int32_t column :
       {keywords.destination, keywords.path, keywords.name, keywords.evidence})
    FUZZ_CHECK(column >= -1 && column < columns);
  if (header.find(u"Path") != std::u16string::npos)
    FUZZ_CHECK(keywords.path >= 0);
  looks_comma_separated(header);
  return 0;
}
