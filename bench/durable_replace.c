/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
/*
 * The yardstick for `stubmeta edit`: the least a program can do to replace
 * a file durably.  For every path in a NUL-separated list it reads the
 * file, writes its bytes to a new temporary file in the same folder, fsyncs
 * that, renames it over the file and fsyncs the folder.  No parse, no
 * identity kept, no check: what is left is the cost any safe rewrite pays.
 *
 *   stubmeta_durable_replace LIST     (LIST: paths separated by NUL, - for stdin)
 *
 * Prints the count of files replaced; exits 1 at the first error.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kMaxFile = 1 << 16 };

static char contents[kMaxFile];

static int fail(const char* path, const char* what) {
    fprintf(stderr, "stubmeta_durable_replace: %s: %s: %s\n", path, what, strerror(errno));
    return 1;
}

/* Writes all of size bytes, across short writes. */
static int write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t done = write(fd, bytes, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        bytes += done;
        size -= (size_t)done;
    }
    return 0;
}

/* Reads at most kMaxFile bytes of path into contents; returns the count or -1. */
static ssize_t read_file(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    size_t size = 0;
    for (;;) {
        const ssize_t done = read(fd, contents + size, kMaxFile - size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            const int saved = errno;
            close(fd);
            errno = saved;
            return done < 0 ? -1 : (ssize_t)size;
        }
        size += (size_t)done;
        if (size == kMaxFile) {
            close(fd);
            errno = EFBIG;
            return -1;
        }
    }
}

/* Replaces path with the size bytes in contents: temporary file, fsync,
 * rename, fsync of the folder. */
static int replace(const char* path, size_t size) {
    const char* slash = strrchr(path, '/');
    const size_t folderLength = slash == NULL ? 0 : (size_t)(slash - path);
    const char* name = slash == NULL ? path : slash + 1;
    char folder[4096];
    char temporary[4096];
    if (folderLength >= sizeof folder ||
        snprintf(temporary, sizeof temporary, "%.*s%s.%s.tmp.%ld", (int)folderLength, path,
                 slash == NULL ? "" : "/", name, (long)getpid()) >= (int)sizeof temporary) {
        errno = ENAMETOOLONG;
        return fail(path, "naming the temporary file");
    }
    memcpy(folder, folderLength == 0 ? "." : path, folderLength == 0 ? 1 : folderLength);
    folder[folderLength == 0 ? 1 : folderLength] = '\0';

    const int fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(temporary, "creating");
    if (write_all(fd, contents, size) != 0 || fsync(fd) != 0) {
        const int saved = errno;
        close(fd);
        unlink(temporary);
        errno = saved;
        return fail(temporary, "writing");
    }
    if (close(fd) != 0 || rename(temporary, path) != 0) {
        const int saved = errno;
        unlink(temporary);
        errno = saved;
        return fail(path, "renaming over");
    }
    const int directory = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0 || fsync(directory) != 0)
        return fail(folder, "syncing the folder");
    close(directory);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr,
                "usage: stubmeta_durable_replace LIST (paths separated by NUL, - for stdin)\n");
        return 2;
    }
    FILE* list = strcmp(argv[1], "-") == 0 ? stdin : fopen(argv[1], "rb");
    if (list == NULL)
        return fail(argv[1], "opening the list");
    char* path = NULL;
    size_t capacity = 0;
    long replaced = 0;
    ssize_t length;
    while ((length = getdelim(&path, &capacity, '\0', list)) > 0) {
        if (path[length - 1] == '\0')
            --length;
        if (length == 0)
            continue;
        path[length] = '\0';
        const ssize_t size = read_file(path);
        if (size < 0)
            return fail(path, "reading");
        if (replace(path, (size_t)size) != 0)
            return 1;
        ++replaced;
    }
    free(path);
    printf("%ld files replaced\n", replaced);
    return 0;
}
