/* Preloaded into a program under test, makes the Nth call of one function on
 * a file under one folder fail with a chosen errno, and says so on stderr.
 *
 *   TAVREL_FAIL_FUNCTION  open (open, openat), fstat, write, fsync (fsync,
 *                         fdatasync), fchmod, fchown, close, link (linkat),
 *                         rename (rename, renameat)
 *   TAVREL_FAIL_CALL      N, counting from 1
 *   TAVREL_FAIL_ERRNO     the errno value the failing call sets
 *   TAVREL_FAIL_FOLDER    only paths under this folder (the folder itself
 *                         for unnamed files made in it), and descriptors
 *                         opened there, count
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kTrackedDescriptors = 1024 };
static char tracked[kTrackedDescriptors];
static char pathOnly[kTrackedDescriptors]; /* O_PATH: only looked at, never written */
static long calls;

static int IsUnderFolder(const char* path)
{
    const char* folder = getenv("TAVREL_FAIL_FOLDER");
    const size_t length = folder ? strlen(folder) : 0;
    return path && length && strncmp(path, folder, length) == 0 && (path[length] == '/' || path[length] == '\0');
}

static int IsTracked(int fd)
{
    return fd >= 0 && fd < kTrackedDescriptors && tracked[fd];
}

/* Counts a call of `function` that touches the folder; true when it must fail. */
static int FailsNow(const char* function)
{
    const char* chosen = getenv("TAVREL_FAIL_FUNCTION");
    const char* call = getenv("TAVREL_FAIL_CALL");
    if (!chosen || !call || strcmp(chosen, function) != 0 || ++calls != atol(call))
        return 0;
    dprintf(2, "fail_shim: %s call %ld fails\n", function, calls);
    errno = atoi(getenv("TAVREL_FAIL_ERRNO") ? getenv("TAVREL_FAIL_ERRNO") : "5");
    return 1;
}

static void* Real(const char* name)
{
    return dlsym(RTLD_NEXT, name);
}

/* A folder opened to sync it, once the new file is in place, does not count:
 * its failures are not reported, by design. */
static int Counts(const char* path, int flags)
{
    return IsUnderFolder(path) && ((flags & O_TMPFILE) == O_TMPFILE || !(flags & O_DIRECTORY));
}

static int Opened(const char* path, int flags, int fd)
{
    if (fd >= 0 && fd < kTrackedDescriptors) {
        tracked[fd] = (char)Counts(path, flags);
        pathOnly[fd] = (char)((flags & O_PATH) != 0);
    }
    return fd;
}

static mode_t ModeArgument(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
}

int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    if (Counts(path, flags) && FailsNow("open"))
        return -1;
    return Opened(path, flags, ((int (*)(const char*, int, ...))Real("open"))(path, flags, mode));
}

int openat(int dirfd, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    if (Counts(path, flags) && FailsNow("open"))
        return -1;
    return Opened(path, flags, ((int (*)(int, const char*, int, ...))Real("openat"))(dirfd, path, flags, mode));
}

/* Defines `name`, which fails when `counts` holds and FailsNow(`chosen`) says
 * so, and otherwise calls the real function. */
#define FAILING(type, name, parameters, arguments, counts, chosen) \
    type name parameters                                           \
    {                                                              \
        if ((counts) && FailsNow(chosen))                          \
            return -1;                                             \
        return ((type(*) parameters)Real(#name))arguments;         \
    }

FAILING(ssize_t, write, (int fd, const void* bytes, size_t count), (fd, bytes, count), IsTracked(fd), "write")
FAILING(int, fchmod, (int fd, mode_t mode), (fd, mode), IsTracked(fd), "fchmod")
FAILING(int, fstat, (int fd, struct stat* status), (fd, status), IsTracked(fd), "fstat")
FAILING(int, fchown, (int fd, uid_t owner, gid_t group), (fd, owner, group), IsTracked(fd), "fchown")
FAILING(int, fsync, (int fd), (fd), IsTracked(fd), "fsync")
FAILING(int, fdatasync, (int fd), (fd), IsTracked(fd), "fsync")
FAILING(int, rename, (const char* from, const char* to), (from, to), IsUnderFolder(from) || IsUnderFolder(to),
        "rename")
FAILING(int, linkat, (int fromDir, const char* from, int toDir, const char* to, int flags),
        (fromDir, from, toDir, to, flags), IsUnderFolder(to), "link")
FAILING(int, renameat, (int fromDir, const char* from, int toDir, const char* to), (fromDir, from, toDir, to),
        IsUnderFolder(from) || IsUnderFolder(to), "rename")

/* Like Linux, the descriptor is gone even when close reports an error. */
int close(int fd)
{
    const int failing = IsTracked(fd) && !pathOnly[fd] && FailsNow("close");
    const int saved = errno;
    if (fd >= 0 && fd < kTrackedDescriptors)
        tracked[fd] = 0;
    const int result = ((int (*)(int))Real("close"))(fd);
    if (!failing)
        return result;
    errno = saved;
    return -1;
}
