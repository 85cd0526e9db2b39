// A stand-in for a file server: a read-only FUSE pass-through of one
// directory that waits a set time before it answers each request, as a share
// on the office network waits for its round trip. It serves many requests at
// once (the multi-threaded loop), so a client that keeps several in flight is
// faster, as it would be on a real share.
//
//   delayfs SOURCE MOUNTPOINT DELAY_US [fuse options...]
//
// The kernel keeps nothing between mounts, so a fresh mount is a cold share.
#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

struct Share {
  int sourceFd;
  long delayUs;
};

static struct Share* share(void) {
  return (struct Share*)fuse_get_context()->private_data;
}

static void roundTrip(void) {
  long delayUs = share()->delayUs;
  if (delayUs <= 0) return;
  struct timespec t = {delayUs / 1000000, (delayUs % 1000000) * 1000};
  while (nanosleep(&t, &t) == -1 && errno == EINTR) {
  }
}

// FUSE paths start with "/": relative to the source directory they are ".",
// or the path without its slash.
static const char* relative(const char* path) {
  return path[1] == '\0' ? "." : path + 1;
}

static int fsGetattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
  (void)fi;
  roundTrip();
  return fstatat(share()->sourceFd, relative(path), st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int fsReadlink(const char* path, char* buffer, size_t size) {
  roundTrip();
  ssize_t n = readlinkat(share()->sourceFd, relative(path), buffer, size - 1);
  if (n < 0) return -errno;
  buffer[n] = '\0';
  return 0;
}

static int fsOpendir(const char* path, struct fuse_file_info* fi) {
  roundTrip();
  int fd = openat(share()->sourceFd, relative(path), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return -errno;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    int err = errno;
    close(fd);
    return -err;
  }
  fi->fh = (uint64_t)(uintptr_t)dir;
  return 0;
}

// The whole directory in one answer, names and types only: the client looks
// each entry up by itself, one request each, as it does over SMB or NFS
// without a directory cache.
static int fsReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                     struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
  (void)path;
  (void)offset;
  (void)flags;
  roundTrip();
  DIR* dir = (DIR*)(uintptr_t)fi->fh;
  rewinddir(dir);
  struct dirent* e;
  while ((e = readdir(dir)) != NULL) {
    struct stat st;
    memset(&st, 0, sizeof st);
    st.st_ino = e->d_ino;
    st.st_mode = (mode_t)(DTTOIF(e->d_type));
    if (fill(buffer, e->d_name, &st, 0, 0)) break;
  }
  return 0;
}

static int fsReleasedir(const char* path, struct fuse_file_info* fi) {
  (void)path;
  closedir((DIR*)(uintptr_t)fi->fh);
  return 0;
}

static int fsOpen(const char* path, struct fuse_file_info* fi) {
  roundTrip();
  if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  int fd = openat(share()->sourceFd, relative(path), O_RDONLY | O_NOFOLLOW);
  if (fd < 0) return -errno;
  fi->fh = (uint64_t)fd;
  return 0;
}

static int fsRead(const char* path, char* buffer, size_t size, off_t offset,
                  struct fuse_file_info* fi) {
  (void)path;
  roundTrip();
  ssize_t n = pread((int)fi->fh, buffer, size, offset);
  return n < 0 ? -errno : (int)n;
}

static int fsRelease(const char* path, struct fuse_file_info* fi) {
  (void)path;
  close((int)fi->fh);
  return 0;
}

static int fsStatfs(const char* path, struct statvfs* st) {
  (void)path;
  roundTrip();
  return fstatvfs(share()->sourceFd, st) == 0 ? 0 : -errno;
}

static void* fsInit(struct fuse_conn_info* conn, struct fuse_config* cfg) {
  (void)conn;
  // Names and attributes are cached for a second, as a Linux SMB client
  // caches them by default (actimeo=1); the first look-up of each costs a
  // round trip.
  cfg->entry_timeout = 1.0;
  cfg->attr_timeout = 1.0;
  cfg->negative_timeout = 0;
  cfg->use_ino = 1;
  return share();
}

static const struct fuse_operations operations = {
    .getattr = fsGetattr,
    .readlink = fsReadlink,
    .open = fsOpen,
    .read = fsRead,
    .statfs = fsStatfs,
    .release = fsRelease,
    .opendir = fsOpendir,
    .readdir = fsReaddir,
    .releasedir = fsReleasedir,
    .init = fsInit,
};

int main(int argc, char* argv[]) {
  if (argc < 4) {
    fprintf(stderr, "usage: %s SOURCE MOUNTPOINT DELAY_US [fuse options...]\n", argv[0]);
    return 2;
  }
  struct Share state;
  state.sourceFd = open(argv[1], O_RDONLY | O_DIRECTORY);
  if (state.sourceFd < 0) {
    perror(argv[1]);
    return 2;
  }
  char* end;
  state.delayUs = strtol(argv[3], &end, 10);
  if (*argv[3] == '\0' || *end != '\0' || state.delayUs < 0) {
    fprintf(stderr, "%s: DELAY_US must be a whole number of microseconds\n", argv[0]);
    return 2;
  }
  // fuse_main sees: program, mount point, then the options given after the delay.
  char* fuseArgv[64];
  int fuseArgc = 0;
  fuseArgv[fuseArgc++] = argv[0];
  fuseArgv[fuseArgc++] = argv[2];
  for (int i = 4; i < argc && fuseArgc < 63; ++i) fuseArgv[fuseArgc++] = argv[i];
  fuseArgv[fuseArgc] = NULL;
  return fuse_main(fuseArgc, fuseArgv, &operations, &state);
}
