// The Windows entry: the wide command line is already 16-bit text.

#include "platform/program_entry.h"

int wmain(int argc, wchar_t** argv) {
  return run_with_wide_arguments(argc, argv, FLDREN_PROGRAM_ENTRY);
}
