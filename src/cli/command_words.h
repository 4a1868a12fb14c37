#pragma once

// The words both programs' command lines share beside their options: the
// requests for help and for the version, and what a stray word is told.

#include <string_view>

#include "text/wide_text.h"

// What a whole argument asks for instead of a run.
enum class program_request {
  run,      // nothing: an option, a value or a stray word
  help,     // --help, or -h as the whole argument
  version,  // --version
};

// The request argument makes; run for every other argument. Never fails.
program_request request_of(wide_view argument);

// The letters of a program's options, lower case: those that take no
// value, and those that take one.
struct option_letters {
  std::u16string_view without_value;
  std::u16string_view with_value;
};

// The line that refuses word, an argument that is neither an option nor an
// option's value, for the program named: the word shown safely, and the
// option it most likely meant when its letters, once its leading '/' and
// '-' are gone, are one option letter or only letters of options without
// a value. Never fails; writes nothing.
wide_text stray_word_message(std::u16string_view program, wide_view word,
                             const option_letters& letters);
