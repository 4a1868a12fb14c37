#pragma once

// The three usage pages that explain the command line.

// Writes the three pages to standard output, clearing the screen before
// each and taking one character from standard input after the first two.
// The caller ends the process afterwards.
void show_usage();
