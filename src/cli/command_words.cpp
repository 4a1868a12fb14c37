#include "cli/command_words.h"

#include "console/text_output.h"

namespace {

// The letter in lower case when it is an ASCII capital; any other
// character as it is.
char16_t lower_letter(char16_t letter) {
  return letter >= u'A' && letter <= u'Z'
             ? static_cast<char16_t>(letter - u'A' + u'a')
             : letter;
}

bool holds_letter(std::u16string_view letters, char16_t letter) {
  return letters.find(lower_letter(letter)) != std::u16string_view::npos;
}

// True when "-" and letters make an option the program takes: one option
// letter (its value may follow in the next argument), or letters of
// options without a value only. Anything more would be a guess.
bool is_plausible_option(wide_view letters, const option_letters& options) {
  if (letters.empty()) return false;
  if (letters.size() == 1 && holds_letter(options.with_value, letters[0]))
    return true;
  for (const char16_t letter : letters)
    if (!holds_letter(options.without_value, letter)) return false;
  return true;
}

}  // namespace

program_request request_of(wide_view argument) {
  if (argument == u"--help" || argument == u"-h") return program_request::help;
  if (argument == u"--version") return program_request::version;
  return program_request::run;
}

wide_text stray_word_message(std::u16string_view program, wide_view word,
                             const option_letters& letters) {
  const std::size_t start = word.find_first_not_of(u"/-");
  const wide_view rest =
      start == wide_view::npos ? wide_view() : word.substr(start);
  // An empty argument shows as "", so that the line still names it.
  const wide_text shown = word.empty() ? u"\"\"" : console_safe(word);
  wide_text message = u"\nArgument " + shown + u" is not an option of " +
                      wide_text(program) + u" (its options begin with -";
  if (is_plausible_option(rest, letters))
    message += u", as -" + wide_text(rest);
  return message + u"); nothing was done\n";
}
