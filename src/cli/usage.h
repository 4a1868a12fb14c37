#pragma once

// The three usage pages that explain the command line.

// When and from which main source file the program was built, for the last
// line of the pages.
struct build_stamp {
  const char* date;
  const char* time;
  const char* source;
};

// Defined in src/fldren.cpp, the driver, whose path it records.
extern const build_stamp k_build_stamp;

// Writes the three pages to standard output, clearing the screen before
// each and taking one character from standard input after the first two.
// The caller ends the process afterwards.
void show_usage();
