#pragma once

// Cutting an exported file's path into drive, directory, base name and
// extension, so that prefixes can go between directory and file name.

#include "rename/shared_types.h"
#include "text/wide_text.h"

// Fills parts with views into value: the drive (as 'C:', after skipping
// any four characters in front of it), the directory with its separators,
// the base name, and the extension from the file name's last dot to the
// end of the value, a ':stream' suffix of the last component included (a
// colon in a folder's name belongs to the folder). Joining them gives back
// value less a skipped prefix. Never fails.
void split_path(wide_view value, path_parts& parts);
