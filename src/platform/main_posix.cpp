// The POSIX entry: arguments become wide text one unit per byte, so every
// name goes back to the file system unchanged.

#include "platform/program_entry.h"

int main(int argc, char** argv) {
  return run_with_wide_arguments(argc, argv, FLDREN_PROGRAM_ENTRY);
}
