#include "cli/options.h"

#include "cli/usage.h"
#include "console/text_output.h"
#include "platform/platform.h"
#include "text/code_pages.h"

namespace {

bool is_option(const char16_t* argument) { return argument[0] == u'-'; }

// The letters read_command_line takes, for the line a stray word gets.
constexpr option_letters k_option_letters = {u"nsqrt", u"xfomcek"};

// The value kept is the resolved path, or the value as given when it does
// not resolve: never a name left over from another option.
void set_name(wide_text& name, wide_view value) {
  if (!resolve_full_path(value, k_option_name_limit, name)) name = value;
}

// FROM=TO of -m: FROM must not be empty; TO may be, to cut FROM off.
// False, adding nothing, when value is not that.
bool add_move(run_options& options, wide_view value) {
  const std::size_t equals = value.find(u'=');
  if (equals == wide_view::npos || equals == 0) return false;
  options.moves.push_back({wide_text(value.substr(0, equals)),
                           wide_text(value.substr(equals + 1))});
  return true;
}

// Reads the command line into result.options; returns what stopped it,
// with the parts of result that its message needs.
option_error read_command_line(int argc, char16_t** argv,
                               options_result& result) {
  run_options& options = result.options;
  for (int index = 1; index < argc; ++index) {
    const wide_view argument = argv[index];
    result.request = request_of(argument);
    if (result.request != program_request::run) return option_error::none;
    // A word the examiner meant as an option (n for -n, or /n as Windows
    // programs spell it) would otherwise be dropped in silence, and a
    // preview made a run.
    if (!is_option(argv[index])) {
      result.argument = argument;
      return option_error::stray_word;
    }
    for (std::size_t at = 1; at < argument.size(); ++at) {
      wide_text* name = nullptr;  // the name the value resolves into
      bool move = false;          // the value is FROM=TO of -m
      bool title = false;         // the value is a column's title
      bool code_page = false;     // the value is a code page's number
      bool note = false;          // the value is the case note
      switch (argument[at]) {
        case u'x':
        case u'X':
          name = &options.export_list_name;
          break;
        case u'f':
        case u'F':
          name = &options.field_list_name;
          break;
        case u'o':
        case u'O':
          options.output_requested = true;
          name = &options.output_file_name;
          break;
        case u'm':
        case u'M':
          move = true;
          break;
        case u'c':
        case u'C':
          title = true;
          break;
        case u'e':
        case u'E':
          code_page = true;
          break;
        case u'k':
        case u'K':
          note = true;
          break;
        case u'n':
        case u'N':
          // Takes no value: the next letter follows in the same argument.
          options.preview = true;
          continue;
        case u's':
        case u'S':
          options.safe_names = true;
          continue;
        case u'q':
        case u'Q':
          options.quiet = true;
          continue;
        case u'r':
        case u'R':
          options.resume = true;
          continue;
        case u't':
        case u'T':
          options.trim = true;
          continue;
        case u'?':
          return option_error::question_mark;
        default:
          result.argument = argument.substr(at);
          return option_error::illegal_letter;
      }

      // The value is the rest of this argument, or else the next argument.
      wide_view value;
      if (at + 1 < argument.size())
        value = argument.substr(at + 1);
      else if (index + 1 >= argc || is_option(argv[index + 1]))
        return option_error::missing_value;
      else
        value = argv[++index];
      if (move) {
        if (!add_move(options, value)) {
          result.argument = value;
          return option_error::bad_move;
        }
      } else if (code_page) {
        if (!parse_code_page(value, options.code_page)) {
          result.argument = value;
          return option_error::bad_code_page;
        }
      } else if (note) {
        options.case_note = value;
      } else if (title) {
        options.hash_title = value;
      } else {
        set_name(*name, value);
      }
      break;
    }
  }

  // The run to continue is known only by its output file.
  if (options.resume && !options.output_requested)
    return option_error::resume_without_output;
  return option_error::none;
}

}  // namespace

options_result parse_options(int argc, char16_t** argv) {
  options_result result;
  result.error = read_command_line(argc, argv, result);
  return result;
}

void write_option_error(const options_result& result) {
  switch (result.error) {
    case option_error::none:
      return;
    case option_error::question_mark:
      // The gate shows the help pages for a "?" in the first argument;
      // anywhere else it ends the run without a word.
      return;
    case option_error::illegal_letter:
      // Kept byte for byte: scripts that drive fldren match it.
      write_console_text(
          console_stream::out,
          u"\nIllegal option " + console_safe(result.argument) + u"\n");
      return;
    case option_error::missing_value:
      show_usage(usage_call::command_line);
      return;
    case option_error::bad_move:
      write_console_text(console_stream::out,
                         u"\nBad value for -m: " +
                             console_safe(result.argument) +
                             u"\nIt must be FROM=TO, FROM not empty\n");
      return;
    case option_error::bad_code_page:
      write_console_text(
          console_stream::out,
          u"\nBad value for -e: " + console_safe(result.argument) +
              u"\nIt must be the number of a Windows code page: " +
              wide_text(known_code_pages_text()) + u". Nothing was done\n");
      return;
    case option_error::stray_word:
      write_console_text(
          console_stream::out,
          stray_word_message(u"fldren", result.argument, k_option_letters));
      return;
    case option_error::resume_without_output:
      write_console_text(console_stream::out,
                         u"\nOption -r continues the run whose output file -o "
                         u"names; give -o. Nothing was done\n");
      return;
  }
}
