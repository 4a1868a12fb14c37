#pragma once

// The three usage pages that explain the command line, and the version.

#include <string_view>

// Why the pages are shown: a command line that lacks something, or a
// request for help.
enum class usage_call { command_line, help };

// Writes the three pages to standard output, clearing the screen before
// each on a terminal. After each of the first two it takes one character
// from standard input; asked for help, only when a person is at the
// terminal, so that a redirected request never waits. The caller ends the
// process afterwards.
void show_usage(usage_call call);

// Writes the program's name and version, and what identifies its build,
// to standard output. The caller ends the process afterwards.
void show_version(std::string_view program);
