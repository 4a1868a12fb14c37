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

}  // namespace

std::optional<undo_options> parse_undo_arguments(int argc, char16_t** argv) {
  undo_options options;
  if (argc < 2 || is_option(argv[1]) || wide_view(argv[1]).empty())
    return std::nullopt;
  options.journal_name = argv[1];
  for (int index = 2; index < argc; ++index) {
    const wide_view option = argv[index];
    if (option.size() < 2 || option[0] != u'-') return std::nullopt;
    wide_view value = option.substr(2);
    if (value.empty() && index + 1 < argc) value = argv[++index];
    if (value.empty() || is_option(value)) return std::nullopt;
    if (option[1] == u'o' || option[1] == u'O')
      options.log_name = resolved(value);
    else if (option[1] == u'C' || option[1] == u'c')
      options.folder = resolved(value);
    else
      return std::nullopt;
  }
  return options;
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
