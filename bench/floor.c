/* The floors for fldren's speed: reads precomputed "source TAB destination"
 * lines and makes the same no-replace renames, and nothing else. With -r it
 * keeps each folder open while its records follow each other and renames
 * by names relative to it: the least work per file on Linux. Given a second
 * name, it also writes each line to that file with one write() after its
 * rename, as fldren must for its output file to survive a kill: the floor
 * of a run that keeps such a log.
 *
 * Two more options make the calls fldren would make in other designs, to
 * time them against each other: -s looks at each old name (lstat, or
 * fstatat relative to the open folder with -r) before renaming it, as
 * fldren must to refuse a folder; -c, with -r, checks before each rename
 * that the folder's path still leads to the folder kept open (one stat),
 * without which a folder renamed midway by another program would have its
 * files renamed under a path that no longer names them.
 *
 *     floor [-r] [-s] [-c] PAIRS [LOG] */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* The folder of the previous record, kept open for -r, and its identity. */
static char folder[4096];
static int folder_fd = -1;
static struct stat folder_info;
static int look, check;

static int rename_relative(char* from, char* to) {
  char* slash = strrchr(from, '/');
  char* to_slash = strrchr(to, '/');
  if (slash == NULL || to_slash == NULL) return -1;
  *slash = '\0';
  int usable = 1;
  if (folder_fd < 0 || strcmp(folder, from) != 0) {
    if (folder_fd >= 0) close(folder_fd);
    snprintf(folder, sizeof folder, "%s", from);
    folder_fd = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
    usable = folder_fd >= 0 && fstat(folder_fd, &folder_info) == 0;
  } else if (check) {
    struct stat now;
    usable = stat(folder, &now) == 0 && now.st_ino == folder_info.st_ino &&
             now.st_dev == folder_info.st_dev;
  }
  *slash = '/';
  if (!usable) return -1;
  struct stat info;
  if (look && fstatat(folder_fd, slash + 1, &info, AT_SYMLINK_NOFOLLOW) != 0)
    return -1;
  return renameat2(folder_fd, slash + 1, folder_fd, to_slash + 1,
                   RENAME_NOREPLACE);
}

static int rename_absolute(const char* from, const char* to) {
  struct stat info;
  if (look && lstat(from, &info) != 0) return -1;
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

int main(int argc, char** argv) {
  int relative = 0;
  while (argc > 1 && argv[1][0] == '-') {
    relative |= strcmp(argv[1], "-r") == 0;
    look |= strcmp(argv[1], "-s") == 0;
    check |= strcmp(argv[1], "-c") == 0;
    --argc;
    ++argv;
  }
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
    int result = relative ? rename_relative(line, tab + 1)
                          : rename_absolute(line, tab + 1);
    if (result != 0) ++failed;
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
