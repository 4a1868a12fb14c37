/* The floor for fldren's speed: reads precomputed "source TAB destination"
 * lines and makes the same no-replace renames, and nothing else. Given a
 * second name, it also writes each line to that file with one write() after
 * its rename, as fldren must for its output file to survive a kill: the
 * floor of a run that keeps such a log. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  FILE* pairs = fopen(argv[1], "rb");
  if (pairs == NULL) return 2;
  int log = -1;
  if (argc == 3) {
    log = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0) return 2;
  }
  char* line = NULL;
  size_t capacity = 0;
  ssize_t length;
  long failed = 0;
  while ((length = getline(&line, &capacity, pairs)) > 0) {
    if (line[length - 1] != '\n') continue;
    line[length - 1] = '\0';
    char* tab = strchr(line, '\t');
    if (tab == NULL) continue;
    *tab = '\0';
    if (renameat2(AT_FDCWD, line, AT_FDCWD, tab + 1, RENAME_NOREPLACE) != 0)
      ++failed;
    if (log >= 0) {
      *tab = '\t';
      line[length - 1] = '\n';
      if (write(log, line, (size_t)length) != length) return 1;
    }
  }
  free(line);
  fclose(pairs);
  if (log >= 0) close(log);
  return failed == 0 ? 0 : 3;
}
