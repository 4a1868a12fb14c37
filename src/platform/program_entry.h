#pragma once

// The entries of the programs built from the core library, and the step
// that hands them the command line as 16-bit wide text.

#include <string>
#include <type_traits>
#include <vector>

// Runs fldren on the wide command line (the vector ends in a null entry).
// Never returns: every way out, a run that reaches its end included, ends
// the process with its status. Defined in src/fldren.cpp.
int run_main(int argc, char16_t** argv);

// Runs fldren-undo on the wide command line, and never returns either.
// Defined in src/fldren_undo.cpp.
int run_undo_main(int argc, char16_t** argv);

// Each executable compiles the platform's main file with
// FLDREN_PROGRAM_ENTRY naming its own entry.
#ifndef FLDREN_PROGRAM_ENTRY
#define FLDREN_PROGRAM_ENTRY run_main
#endif

// Calls entry with the arguments as a wide vector ending in a null entry.
inline int run_with_wide_texts(std::vector<std::u16string>& texts,
                               int (*entry)(int, char16_t**)) {
  std::vector<char16_t*> vector;
  for (std::u16string& text : texts) vector.push_back(text.data());
  vector.push_back(nullptr);
  return entry(static_cast<int>(texts.size()), vector.data());
}

// Widens every argument unit by unit (Windows' UTF-16 units) and calls
// entry with the wide vector.
template <typename unit>
int run_with_wide_arguments(int argc, unit** argv,
                            int (*entry)(int, char16_t**)) {
  using unsigned_unit = std::make_unsigned_t<unit>;
  std::vector<std::u16string> texts;
  texts.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    std::u16string text;
    for (const unit* p = argv[i]; *p != 0; ++p)
      text.push_back(static_cast<char16_t>(static_cast<unsigned_unit>(*p)));
    texts.push_back(text);
  }
  return run_with_wide_texts(texts, entry);
}
