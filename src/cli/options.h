#pragma once

// Turning the command line into run_options.

#include <cstddef>

struct run_context;

// The limit for a resolved option value, in characters.
inline constexpr std::size_t k_option_name_limit = 2048;

// Fills run.options from the options -x, -f, -o, -m, -c, -n, -s, -q and -r of
// the wide command line (the vector ends in a null entry). Ends the run
// with status 5 on an illegal letter, a "?" among the letters, a missing
// value, a value of -m that is not FROM=TO, or -r without -o.
void parse_options(run_context& run, int argc, char16_t** argv);
