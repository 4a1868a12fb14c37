#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/undo_options.h"

namespace {

wide_text widened(const char* ascii) {
  const std::string text = ascii;
  return wide_text(text.begin(), text.end());
}

// A command line as the mains hand it on: the program's name first, the
// vector closed by a null entry. The arguments are split at spaces.
struct command_line {
  explicit command_line(const char* arguments) {
    words.push_back(u"program");
    std::istringstream split(arguments);
    std::string word;
    while (split >> word) words.push_back(wide_text(word.begin(), word.end()));
    for (wide_text& each : words) vector.push_back(each.data());
    vector.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words.size()); }
  char16_t** argv() { return vector.data(); }

  std::vector<wide_text> words;
  std::vector<char16_t*> vector;
};

// The value a resolved name came from: its last component, since the rest
// is the working folder in the build's own form. A name that was not
// resolved has no separator, and comes back marked as such.
wide_text value_of(const wide_text& name) {
  const std::size_t separator = name.find_last_of(u"/\\");
  if (separator == wide_text::npos)
    return name.empty() ? name : u"unresolved " + name;
  return name.substr(separator + 1);
}

// The letters of the options without a value that were given, in the
// order n, s, q, r, t.
std::string flags_of(const run_options& options) {
  std::string flags;
  if (options.preview) flags += 'n';
  if (options.safe_names) flags += 's';
  if (options.quiet) flags += 'q';
  if (options.resume) flags += 'r';
  if (options.trim) flags += 't';
  return flags;
}

// Each move of -m as FROM|TO, so that where FROM ends shows.
wide_text moves_of(const run_options& options) {
  wide_text moves;
  for (const path_move& move : options.moves)
    moves += (moves.empty() ? u"" : u" ") + move.from + u"|" + move.to;
  return moves;
}

}  // namespace

TEST(ParseOptions, ReadsTheOptionsOrSaysWhatStoppedThem) {
  using e = option_error;
  const struct {
    const char* command_line;
    option_error error;
    const char* export_list = "";
    const char* field_list = "";
    const char* output = nullptr;  // null: -o was not given
    const char* argument = "";
    const char* flags = "";
    const char* hash_title = "";
    const char* moves = "";
    program_request request = program_request::run;
    unsigned code_page = 0;
  } cases[] = {
      {"-x a -f b", e::none, "a", "b"},
      {"-xa -fb -o c", e::none, "a", "b", "c"},
      {"-X a -F b -O c", e::none, "a", "b", "c"},
      // Every argument is an option or an option's value: a plain word
      // before, among or after the options is refused, the first one.
      {"junk -x a -f b", e::stray_word, "", "", nullptr, "junk"},
      {"-x a -f b junk more", e::stray_word, "a", "b", nullptr, "junk"},
      {"-x a junk -f b", e::stray_word, "a", "", nullptr, "junk"},
      {"-x a -f b /n", e::stray_word, "a", "b", nullptr, "/n"},
      // A value that is a plain word is taken as the value.
      {"-o n -x a", e::none, "a", "", "n"},
      // A lone "-" is an option with no letters, not the end of them.
      {"-x a - -f b", e::none, "a", "b"},
      // A value attached to its letter is the whole rest of the argument.
      {"-xq", e::none, "q"},
      {"-x a -x b", e::none, "b"},
      {"-nsqr -o c", e::none, "", "", "c", "", "nsqr"},
      {"-Tnx a", e::none, "a", "", nullptr, "", "nt"},
      // A column's title and -m's text are kept as given, not resolved.
      {"-c SHA1 -x a", e::none, "a", "", nullptr, "", "", "SHA1"},
      {"-mC:=D: -m a=b=c -m e=", e::none, "", "", nullptr, "", "", "",
       "C:|D: a|b=c e|"},
      {"-x -f b", e::missing_value},
      {"-x a -f", e::missing_value, "a"},
      {"-w a b", e::illegal_letter, "", "", nullptr, "w"},
      {"-xa -nwz", e::illegal_letter, "a", "", nullptr, "wz", "n"},
      // h is help only as the whole argument -h.
      {"-nh", e::illegal_letter, "", "", nullptr, "h", "n"},
      {"-x a -?", e::question_mark, "a"},
      {"-n? -x a", e::question_mark, "", "", nullptr, "", "n"},
      {"-m ab", e::bad_move, "", "", nullptr, "ab"},
      {"-m=b", e::bad_move, "", "", nullptr, "=b"},
      {"-x a -r", e::resume_without_output, "a", "", nullptr, "", "r"},
      // A stray word is refused before -r's want of -o.
      {"-r -x a junk -n", e::stray_word, "a", "", nullptr, "junk", "r"},
      // A request for help or the version stops the reading where it
      // stands, unless a fault comes first.
      {"-h", e::none, "", "", nullptr, "", "", "", "", program_request::help},
      {"-r -x a --help junk", e::none, "a", "", nullptr, "", "r", "", "",
       program_request::help},
      {"--version -w", e::none, "", "", nullptr, "", "", "", "",
       program_request::version},
      {"junk --version", e::stray_word, "", "", nullptr, "junk"},
      {"-e 1251 -x a", e::none, "a", "", nullptr, "", "", "", "",
       program_request::run, 1251},
      {"-E932 -e65001", e::none, "", "", nullptr, "", "", "", "",
       program_request::run, 65001},
      {"-e 1259", e::bad_code_page, "", "", nullptr, "1259"},
      {"-e +1251", e::bad_code_page, "", "", nullptr, "+1251"},
      {"-e 4294968547", e::bad_code_page, "", "", nullptr, "4294968547"},
      {"-e cp1251", e::bad_code_page, "", "", nullptr, "cp1251"},
      {"-e -x a", e::missing_value},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command_line);
    command_line line(c.command_line);
    const options_result result = parse_options(line.argc(), line.argv());
    const run_options& options = result.options;
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(value_of(options.export_list_name), widened(c.export_list));
    EXPECT_EQ(value_of(options.field_list_name), widened(c.field_list));
    EXPECT_EQ(options.output_requested, c.output != nullptr);
    EXPECT_EQ(value_of(options.output_file_name),
              widened(c.output == nullptr ? "" : c.output));
    EXPECT_EQ(result.argument, widened(c.argument));
    EXPECT_EQ(result.request, c.request);
    EXPECT_EQ(flags_of(options), c.flags);
    EXPECT_EQ(options.hash_title, widened(c.hash_title));
    EXPECT_EQ(moves_of(options), widened(c.moves));
    EXPECT_EQ(options.code_page, c.code_page);
  }
}

TEST(ParseUndoArguments, TakesOutputFileThenLogAndFolder) {
  using u = undo_parse;
  const struct {
    const char* command_line;
    undo_parse outcome;
    const char* log = "";
    const char* folder = "";
    const char* argument = "";
  } cases[] = {
      {"out.txt", u::ok},
      {"out.txt -o log -C dir", u::ok, "log", "dir"},
      {"out.txt -cdir -Olog", u::ok, "log", "dir"},
      {"", u::usage},
      {"-o log out.txt", u::usage},
      {"out.txt -o", u::usage},
      {"out.txt -o -Cdir", u::usage},
      {"out.txt -x a", u::usage},
      // A second plain word is no option, wherever it stands.
      {"out.txt log", u::stray_word, "", "", "log"},
      {"out.txt -o log /C dir", u::stray_word, "log", "", "/C"},
      {"--help", u::help},
      {"out.txt -h", u::help},
      {"out.txt --version extra", u::version},
      {"out.txt extra --version", u::stray_word, "", "", "extra"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command_line);
    command_line line(c.command_line);
    const undo_arguments parsed =
        parse_undo_arguments(line.argc(), line.argv());
    ASSERT_EQ(parsed.outcome, c.outcome);
    EXPECT_EQ(parsed.argument, widened(c.argument));
    if (parsed.outcome == u::usage || parsed.outcome == u::help) continue;
    // Opening the output file resolves its name, and reports it as given
    // when it does not resolve.
    EXPECT_EQ(parsed.options.journal_name, u"out.txt");
    EXPECT_EQ(value_of(parsed.options.log_name), widened(c.log));
    EXPECT_EQ(value_of(parsed.options.folder), widened(c.folder));
  }
}
