#include "cli/usage.h"

#include <string>

#include "platform/platform.h"

namespace {

void write_page(const char* text) { write_console(console_stream::out, text); }

// The build's mark: the driver's source file, as the same path in every
// build folder, so that a build can be made again byte for byte; the date
// and time are SOURCE_DATE_EPOCH's when it is set.
std::string last_compiled() {
  return std::string("Last compiled: ") + __DATE__ + " " + __TIME__ + " " +
         FLDREN_MAIN_SOURCE + "\n";
}

}  // namespace

void show_usage(usage_call call) {
  // Help asked for through a pipe or from a script has nobody to press
  // Return, and must not hang the script.
  const bool pause =
      call == usage_call::command_line ||
      (console_is_terminal(console_stream::out) && input_is_terminal());

  clear_screen();
  write_page(
      "\n\n\nMissing command line options(s)\n\n"
      "Options: [-xfonsmqrctek]\n\n"
      "-x x-ways_copylog.txt file\n"
      "-f file: containing fields to add to filename\n"
      "-o outputfile: an output file containing newnames\n"
      "-n preview: show what would be renamed, rename nothing\n"
      "-s safe names: characters a Windows name cannot hold become _\n"
      "-m FROM=TO: the export has moved; paths beginning FROM begin TO\n"
      "-q quiet: show only failures, and progress on a terminal\n"
      "-r resume: continue the stopped run whose output file -o names\n"
      "-c COLUMN: rename only files whose contents match that column's hash\n"
      "-t trim: shorten a name too long for its folder; it then ends ~\n"
      "-e CODEPAGE: read 8-bit lists in that Windows code page, as 1251\n"
      "-k TEXT: a case note for the run record and the report page\n\n"
      "option -x XWays_export_list_filename:\n"
      "        The \"TAB\" delimeted X-Ways file that is created when you use "
      "the\n"
      "        \"export list\" option to provide a list of fields relating to "
      "each\n"
      "        file exported.\n\n"
      "It MUST contain at a minimum, the following fields\n"
      "Destination Name\n\nplus\n\n"
      "Any fields you wish to add to the filename that was exported from "
      "X-Ways\n"
      "Such additional fields might be \"Int. ID\" and \"Evidence object\"\n"
      "Any other fields which you normally export are ignored\n\n"
      "Sample:\n\n"
      "Destination name   Name  Ext.  Path  Description  Unique ID\t Int.  "
      "ID\n"
      "\n\nHit return to see next page");
  if (pause) wait_for_key();

  clear_screen();
  write_page(
      "\n\n\noption -f FieldList_filename:\n\n"
      "    A text file. One item per line. Each line contains the exact item \n"
      "    from the header line of the X-Ways export list file (above), which\n"
      "    you are wanting to add to the filename of the exported file.\n\n"
      "The order of this file, is the order that the item is added to the "
      "filename\n"
      "If you had two items\n\n"
      "Int. ID\nEvidence object\n\n"
      "Then the Int. ID, would be pre-pended to the filename, followed by the "
      "\n"
      "Evidence object name, followed by the true filename.\n"
      "Each item is separated in the newfilename by an underscore (_)\n"
      "\nOriginal filename   mydoc.doc\n"
      "added Int. Id, and Evidence object:   1234_Hard drive no2_mydoc.doc\n\n"
      "\n\nHit return to see next page");
  if (pause) wait_for_key();

  clear_screen();
  write_page(
      "\n\n\n"
      "\noption: -o outputfilename: Generates a tab delimeted file with \n"
      "             the original name and the new filename\n"
      "\nSample command:\n"
      "fldren -x x-ways_copylog.tab -f fields2add.txt -o output\n");
  const std::string compiled =
      std::string("\nVersion ") + FLDREN_VERSION + "\n" + last_compiled();
  write_page(compiled.c_str());
}

void show_version(std::string_view program) {
  const std::string version =
      std::string(program) + " " + FLDREN_VERSION + "\n" + last_compiled();
  write_console(console_stream::out, version);
}
