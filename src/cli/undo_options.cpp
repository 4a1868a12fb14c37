#include "cli/undo_options.h"

#include "console/text_output.h"
#include "platform/platform.h"
#include "rename/input_files.h"

namespace {

bool is_option(wide_view argument) {
  return !argument.empty() && argument[0] == u'-';
}

// The absolute path of value, or value itself when it does not resolve.
wide_text resolved(wide_view value) {
  wide_text name;
  if (!resolve_full_path(value, k_input_name_limit, name)) name = value;
  return name;
}

// The letters of fldren-undo's options, for the line a stray word gets.
constexpr option_letters k_undo_letters = {u"", u"oc"};

// What argument asks for, as an outcome: ok for none.
undo_parse request_in(wide_view argument) {
  switch (request_of(argument)) {
    case program_request::run:
      break;
    case program_request::help:
      return undo_parse::help;
    case program_request::version:
      return undo_parse::version;
  }
  return undo_parse::ok;
}

// Reads the command line into parsed.options; returns what stopped it.
undo_parse read_undo_line(int argc, char16_t** argv, undo_arguments& parsed) {
  undo_options& options = parsed.options;
  if (argc >= 2 && request_in(argv[1]) != undo_parse::ok)
    return request_in(argv[1]);
  if (argc < 2 || is_option(argv[1]) || wide_view(argv[1]).empty())
    return undo_parse::usage;
  options.journal_name = argv[1];
  for (int index = 2; index < argc; ++index) {
    const wide_view option = argv[index];
    if (request_in(option) != undo_parse::ok) return request_in(option);
    // A second name, or /o as Windows programs spell an option, would
    // otherwise be taken for what it is not.
    if (!is_option(option)) {
      parsed.argument = option;
      return undo_parse::stray_word;
    }
    if (option.size() < 2) return undo_parse::usage;
    wide_view value = option.substr(2);
    if (value.empty() && index + 1 < argc) value = argv[++index];
    if (value.empty() || is_option(value)) return undo_parse::usage;
    if (option[1] == u'o' || option[1] == u'O')
      options.log_name = resolved(value);
    else if (option[1] == u'C' || option[1] == u'c')
      options.folder = resolved(value);
    else
      return undo_parse::usage;
  }
  return undo_parse::ok;
}

}  // namespace

undo_arguments parse_undo_arguments(int argc, char16_t** argv) {
  undo_arguments parsed;
  parsed.outcome = read_undo_line(argc, argv, parsed);
  return parsed;
}

void write_undo_fault(const undo_arguments& parsed) {
  switch (parsed.outcome) {
    case undo_parse::usage:
      show_undo_usage();
      return;
    case undo_parse::stray_word:
      write_console_text(
          console_stream::out,
          stray_word_message(u"fldren-undo", parsed.argument, k_undo_letters));
      return;
    case undo_parse::ok:
    case undo_parse::help:
    case undo_parse::version:
      return;
  }
}

void show_undo_usage() {
  write_console_8bit(
      console_stream::out,
      "\nUsage: fldren-undo OUTPUTFILE [-o UNDOLOG] [-C FOLDER]\n\n"
      "Takes back every rename that fldren reported \"Success\" in "
      "OUTPUTFILE,\n"
      "last first, never replacing a file. -o writes each undo to "
      "UNDOLOG.\n"
      "-C names the folder fldren ran in; an OUTPUTFILE holding relative "
      "paths\n"
      "needs it.\n");
}
