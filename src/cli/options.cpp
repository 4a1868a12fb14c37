#include "cli/options.h"

#include "cli/usage.h"
#include "console/text_output.h"
#include "platform/platform.h"
#include "rename/run_context.h"

namespace {

bool is_option(const char16_t* argument) { return argument[0] == u'-'; }

// The value kept is the resolved path, or the value as given when it does
// not resolve: never a name left over from another option.
void set_name(wide_text& name, wide_view value) {
  if (!resolve_full_path(value, k_option_name_limit, name)) name = value;
}

// FROM=TO of -m: FROM must not be empty; TO may be, to cut FROM off.
void add_move(run_context& run, wide_view value) {
  const std::size_t equals = value.find(u'=');
  if (equals == wide_view::npos || equals == 0) {
    write_console_text(console_stream::out,
                       u"\nBad value for -m: " + console_safe(value) +
                           u"\nIt must be FROM=TO, FROM not empty\n");
    end_run(run, k_exit_bad_option);
  }
  run.options.moves.push_back({wide_text(value.substr(0, equals)),
                               wide_text(value.substr(equals + 1))});
}

// The options end at the first plain argument after them. An option the
// examiner typed after it (a -n after a stray name, say) would otherwise
// be dropped in silence and the run made without it.
void refuse_late_options(run_context& run, int argc, char16_t** argv, int end) {
  for (int index = end + 1; index < argc; ++index) {
    if (!is_option(argv[index])) continue;
    write_console_text(console_stream::out,
                       u"\nOption " + console_safe(argv[index]) + u" follows " +
                           console_safe(argv[end]) +
                           u", where the options end; nothing was done\n");
    end_run(run, k_exit_bad_option);
  }
}

}  // namespace

void parse_options(run_context& run, int argc, char16_t** argv) {
  int index = 1;
  while (index < argc && !is_option(argv[index])) ++index;

  for (; index < argc && is_option(argv[index]); ++index) {
    const wide_view argument = argv[index];
    for (std::size_t at = 1; at < argument.size(); ++at) {
      wide_text* name = nullptr;  // the name the value resolves into
      bool move = false;          // the value is FROM=TO of -m
      bool title = false;         // the value is a column's title
      switch (argument[at]) {
        case u'x':
        case u'X':
          name = &run.options.export_list_name;
          break;
        case u'f':
        case u'F':
          name = &run.options.field_list_name;
          break;
        case u'o':
        case u'O':
          run.options.output_requested = true;
          name = &run.options.output_file_name;
          break;
        case u'm':
        case u'M':
          move = true;
          break;
        case u'c':
        case u'C':
          title = true;
          break;
        case u'n':
        case u'N':
          // Takes no value: the next letter follows in the same argument.
          run.options.preview = true;
          continue;
        case u's':
        case u'S':
          run.options.safe_names = true;
          continue;
        case u'q':
        case u'Q':
          run.options.quiet = true;
          continue;
        case u'r':
        case u'R':
          run.options.resume = true;
          continue;
        case u'?':
          end_run(run, k_exit_bad_option);
        default:
          // Kept byte for byte: scripts that drive fldren match it.
          write_console_text(
              console_stream::out,
              u"\nIllegal option " + console_safe(argument.substr(at)) + u"\n");
          end_run(run, k_exit_bad_option);
      }

      // The value is the rest of this argument, or else the next argument.
      wide_view value;
      if (at + 1 < argument.size()) {
        value = argument.substr(at + 1);
      } else if (index + 1 >= argc || is_option(argv[index + 1])) {
        show_usage();
        end_run(run, k_exit_bad_option);
      } else {
        value = argv[++index];
      }
      if (move)
        add_move(run, value);
      else if (title)
        run.options.hash_title = value;
      else
        set_name(*name, value);
      break;
    }
  }
  refuse_late_options(run, argc, argv, index);
  // The run to continue is known only by its output file.
  if (run.options.resume && !run.options.output_requested) {
    write_console_text(console_stream::out,
                       u"\nOption -r continues the run whose output file -o "
                       u"names; give -o. Nothing was done\n");
    end_run(run, k_exit_bad_option);
  }
}
