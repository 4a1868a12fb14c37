// The POSIX entry: arguments are read as UTF-8, as the names of a Unicode
// list are, and a byte that is no UTF-8 is carried as itself, so every name
// goes back to the file system unchanged.

#include <string>
#include <vector>

#include "platform/program_entry.h"
#include "text/unicode_text.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> texts(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i)
    append_utf8_decoded(argv[i], texts[static_cast<std::size_t>(i)]);
  return run_with_wide_texts(texts, FLDREN_PROGRAM_ENTRY);
}
