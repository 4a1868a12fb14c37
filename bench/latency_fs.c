/* A model of a network share for the bench: a FUSE file system that passes
 * every call through to a local folder, after waiting a given number of
 * microseconds, as a file server a round trip away would. Calls are served
 * on FUSE's worker threads, so that calls in flight at once wait at once;
 * the kernel's caches of names and attributes are off, so that every look
 * at a name is a call, as on a share that must ask its server.
 *
 *     latency_fs FOLDER MOUNTPOINT [-o delay_us=N] [FUSE options]
 *
 * fusermount3 -u MOUNTPOINT ends it. Nothing here is a test: it only
 * models. */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static int root_fd = -1;

static struct options {
  unsigned delay_us;
} options;

static const struct fuse_opt option_spec[] = {
    {"delay_us=%u", offsetof(struct options, delay_us), 1}, FUSE_OPT_END};

/* The round trip: a sleep on the calling worker thread. */
static void wait_round_trip(void) {
  if (options.delay_us == 0) return;
  struct timespec wait = {options.delay_us / 1000000,
                          (long)(options.delay_us % 1000000) * 1000};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

/* FUSE's paths begin with '/'; the folder's own is ".". */
static const char* local(const char* path) {
  return path[1] == '\0' ? "." : path + 1;
}

static int result(int value) { return value < 0 ? -errno : value; }

static void* fs_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
  (void)conn;
  cfg->entry_timeout = 0;
  cfg->attr_timeout = 0;
  cfg->negative_timeout = 0;
  cfg->use_ino = 1;
  cfg->direct_io = 1;
  return NULL;
}

static int fs_getattr(const char* path, struct stat* info,
                      struct fuse_file_info* file) {
  wait_round_trip();
  if (file != NULL) return result(fstat((int)file->fh, info));
  return result(fstatat(root_fd, local(path), info, AT_SYMLINK_NOFOLLOW));
}

static int fs_access(const char* path, int mask) {
  wait_round_trip();
  return result(faccessat(root_fd, local(path), mask, AT_SYMLINK_NOFOLLOW));
}

static int fs_readlink(const char* path, char* buffer, size_t size) {
  wait_round_trip();
  const ssize_t length = readlinkat(root_fd, local(path), buffer, size - 1);
  if (length < 0) return -errno;
  buffer[length] = '\0';
  return 0;
}

static int fs_readdir(const char* path, void* buffer, fuse_fill_dir_t fill,
                      off_t offset, struct fuse_file_info* file,
                      enum fuse_readdir_flags flags) {
  (void)offset;
  (void)file;
  (void)flags;
  wait_round_trip();
  const int fd = openat(root_fd, local(path), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return -errno;
  DIR* folder = fdopendir(fd);
  if (folder == NULL) {
    close(fd);
    return -errno;
  }
  for (struct dirent* entry; (entry = readdir(folder)) != NULL;) {
    struct stat info = {0};
    info.st_ino = entry->d_ino;
    info.st_mode = (mode_t)DTTOIF(entry->d_type);
    if (fill(buffer, entry->d_name, &info, 0, 0) != 0) break;
  }
  closedir(folder);
  return 0;
}

static int fs_mkdir(const char* path, mode_t mode) {
  wait_round_trip();
  return result(mkdirat(root_fd, local(path), mode));
}

static int fs_unlink(const char* path) {
  wait_round_trip();
  return result(unlinkat(root_fd, local(path), 0));
}

static int fs_rmdir(const char* path) {
  wait_round_trip();
  return result(unlinkat(root_fd, local(path), AT_REMOVEDIR));
}

static int fs_symlink(const char* target, const char* path) {
  wait_round_trip();
  return result(symlinkat(target, root_fd, local(path)));
}

static int fs_rename(const char* from, const char* to, unsigned int flags) {
  wait_round_trip();
  return result(renameat2(root_fd, local(from), root_fd, local(to), flags));
}

static int fs_link(const char* from, const char* to) {
  wait_round_trip();
  return result(linkat(root_fd, local(from), root_fd, local(to), 0));
}

static int fs_chmod(const char* path, mode_t mode,
                    struct fuse_file_info* file) {
  wait_round_trip();
  if (file != NULL) return result(fchmod((int)file->fh, mode));
  return result(fchmodat(root_fd, local(path), mode, 0));
}

static int fs_chown(const char* path, uid_t uid, gid_t gid,
                    struct fuse_file_info* file) {
  wait_round_trip();
  if (file != NULL) return result(fchown((int)file->fh, uid, gid));
  return result(
      fchownat(root_fd, local(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

static int fs_truncate(const char* path, off_t size,
                       struct fuse_file_info* file) {
  wait_round_trip();
  if (file != NULL) return result(ftruncate((int)file->fh, size));
  const int fd = openat(root_fd, local(path), O_WRONLY);
  if (fd < 0) return -errno;
  const int done = result(ftruncate(fd, size));
  close(fd);
  return done;
}

static int fs_utimens(const char* path, const struct timespec times[2],
                      struct fuse_file_info* file) {
  wait_round_trip();
  if (file != NULL) return result(futimens((int)file->fh, times));
  return result(
      utimensat(root_fd, local(path), times, AT_SYMLINK_NOFOLLOW));
}

static int fs_create(const char* path, mode_t mode,
                     struct fuse_file_info* file) {
  wait_round_trip();
  const int fd = openat(root_fd, local(path), file->flags, mode);
  if (fd < 0) return -errno;
  file->fh = (uint64_t)fd;
  return 0;
}

static int fs_open(const char* path, struct fuse_file_info* file) {
  wait_round_trip();
  const int fd = openat(root_fd, local(path), file->flags & ~O_NOFOLLOW);
  if (fd < 0) return -errno;
  file->fh = (uint64_t)fd;
  return 0;
}

static int fs_read(const char* path, char* buffer, size_t size, off_t at,
                   struct fuse_file_info* file) {
  (void)path;
  wait_round_trip();
  return result((int)pread((int)file->fh, buffer, size, at));
}

static int fs_write(const char* path, const char* buffer, size_t size,
                    off_t at, struct fuse_file_info* file) {
  (void)path;
  wait_round_trip();
  return result((int)pwrite((int)file->fh, buffer, size, at));
}

static int fs_statfs(const char* path, struct statvfs* info) {
  (void)path;
  wait_round_trip();
  return result(fstatvfs(root_fd, info));
}

static int fs_release(const char* path, struct fuse_file_info* file) {
  (void)path;
  close((int)file->fh);
  return 0;
}

static int fs_fsync(const char* path, int data_only,
                    struct fuse_file_info* file) {
  (void)path;
  wait_round_trip();
  return result(data_only ? fdatasync((int)file->fh) : fsync((int)file->fh));
}

static const struct fuse_operations operations = {
    .init = fs_init,
    .getattr = fs_getattr,
    .access = fs_access,
    .readlink = fs_readlink,
    .readdir = fs_readdir,
    .mkdir = fs_mkdir,
    .symlink = fs_symlink,
    .unlink = fs_unlink,
    .rmdir = fs_rmdir,
    .rename = fs_rename,
    .link = fs_link,
    .chmod = fs_chmod,
    .chown = fs_chown,
    .truncate = fs_truncate,
    .utimens = fs_utimens,
    .open = fs_open,
    .create = fs_create,
    .read = fs_read,
    .write = fs_write,
    .statfs = fs_statfs,
    .release = fs_release,
    .fsync = fs_fsync,
};

int main(int argc, char* argv[]) {
  if (argc < 3) {
    fprintf(stderr,
            "usage: latency_fs FOLDER MOUNTPOINT [-o delay_us=N] [FUSE "
            "options]\n");
    return 2;
  }
  root_fd = open(argv[1], O_RDONLY | O_DIRECTORY);
  if (root_fd < 0) {
    perror(argv[1]);
    return 1;
  }
  /* FUSE reads the arguments after the folder. */
  argv[1] = argv[0];
  struct fuse_args args = FUSE_ARGS_INIT(argc - 1, argv + 1);
  if (fuse_opt_parse(&args, &options, option_spec, NULL) == -1) return 1;
  const int status = fuse_main(args.argc, args.argv, &operations, NULL);
  fuse_opt_free_args(&args);
  return status;
}
