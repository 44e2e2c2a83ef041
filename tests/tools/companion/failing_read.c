/* A disk going bad, for LD_PRELOAD: reads of the file ORV_FAIL_PATH fail
 * with EIO once ORV_FAIL_AFTER bytes of it have been read.  Every other
 * descriptor reads as usual. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static int isTheFile(int fd) {
    const char* want = getenv("ORV_FAIL_PATH");
    char link[64], path[PATH_MAX];
    if (!want) return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    if (n < 0) return 0;
    path[n] = '\0';
    return strcmp(path, want) == 0;
}

ssize_t read(int fd, void* buffer, size_t size) {
    static ssize_t (*real)(int, void*, size_t);
    if (!real) real = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    if (isTheFile(fd)) {
        const off_t at = lseek(fd, 0, SEEK_CUR);
        const off_t limit = atoll(getenv("ORV_FAIL_AFTER") ? getenv("ORV_FAIL_AFTER") : "0");
        if (at >= limit) {
            errno = EIO;
            return -1;
        }
        if ((off_t)size > limit - at) size = (size_t)(limit - at);
    }
    return real(fd, buffer, size);
}
