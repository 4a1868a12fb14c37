/* Makes the benchmark's work in ROOT: N empty files under ROOT/export,
 * eight folders deep and a thousand to a folder as in a real export (or all
 * in ROOT/export with -f), their export list (list.txt), the field list
 * (fields.txt), for the floors the pairs of old and new names (pairs.txt),
 * and the same pairs the other way round (unpairs.txt), with which the
 * floor renames every file back to its first name between two runs.
 *
 *     make_files [-f] ROOT N */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define PER_FOLDER 1000

static const char header[] =
    "Name\tExt.\tPath\tDescription\tUnique ID\tInt. ID\tEvidence object\t"
    "Destination name\n";
static const char* const deep[] = {"export",    "Partition 2", "Users",
                                   "Ann",       "Documents",   "Work",
                                   "2019",      NULL};

/* mkdir -p for the folders of one path, each made once. */
static int make_folder(char* path) {
  for (char* slash = strchr(path + 1, '/'); slash != NULL;
       slash = strchr(slash + 1, '/')) {
    *slash = '\0';
    const int made = mkdir(path, 0755) == 0 || errno == EEXIST;
    *slash = '/';
    if (!made) return 0;
  }
  return mkdir(path, 0755) == 0 || errno == EEXIST;
}

int main(int argc, char** argv) {
  const int flat = argc > 1 && strcmp(argv[1], "-f") == 0;
  argc -= flat;
  argv += flat;
  if (argc != 3) {
    fprintf(stderr, "usage: make_files [-f] ROOT N\n");
    return 2;
  }
  const char* root = argv[1];
  const long count = strtol(argv[2], NULL, 10);
  char name[4096];
  snprintf(name, sizeof name, "%s/list.txt", root);
  FILE* listed = fopen(name, "wb");
  snprintf(name, sizeof name, "%s/pairs.txt", root);
  FILE* pairs = fopen(name, "wb");
  snprintf(name, sizeof name, "%s/unpairs.txt", root);
  FILE* unpairs = fopen(name, "wb");
  snprintf(name, sizeof name, "%s/fields.txt", root);
  FILE* fields = fopen(name, "wb");
  if (listed == NULL || pairs == NULL || unpairs == NULL || fields == NULL)
    return 1;
  fputs("Int. ID\nEvidence object\n", fields);
  fputs(header, listed);

  char folder[4096];
  int folder_fd = -1;
  for (long i = 0; i < count; ++i) {
    if (i % PER_FOLDER == 0) {
      int length = snprintf(folder, sizeof folder, "%s", root);
      for (int d = 0; deep[d] != NULL && (d == 0 || !flat); ++d)
        length += snprintf(folder + length, sizeof folder - (size_t)length,
                           "/%s", deep[d]);
      if (!flat)
        snprintf(folder + length, sizeof folder - (size_t)length, "/%04ld",
                 i / PER_FOLDER);
      if (!make_folder(folder)) return 1;
      if (folder_fd >= 0) close(folder_fd);
      folder_fd = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (folder_fd < 0) return 1;
    }
    char file[64];
    snprintf(file, sizeof file, "file%07ld.dat", i);
    const int fd = openat(folder_fd, file, O_CREAT | O_WRONLY | O_CLOEXEC,
                          0644);
    if (fd < 0) return 1;
    close(fd);
    fprintf(listed,
            "%s\tdat\t\\Users\\A\texisting file\t%ld\t%ld\tHard drive no2\t"
            "%s/%s\n",
            file, 90000 + i, i, folder, file);
    fprintf(pairs, "%s/%s\t%s/%ld_Hard drive no2_%s\n", folder, file, folder,
            i, file);
    fprintf(unpairs, "%s/%ld_Hard drive no2_%s\t%s/%s\n", folder, i, file,
            folder, file);
  }
  if (folder_fd >= 0) close(folder_fd);
  return fclose(listed) == 0 && fclose(pairs) == 0 && fclose(unpairs) == 0 &&
                 fclose(fields) == 0
             ? 0
             : 1;
}
