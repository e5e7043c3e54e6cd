// Preloaded into a test child: stops the process (SIGSTOP) at the moment a file is put in place,
// so that a test can kill it exactly there. PENNOVA_STOP_AT=before|after says whether it stops
// just before or just after the call; PENNOVA_STOP_COUNT=N (default 1) at which rename (rename,
// renameat, renameat2) onto a file named as PENNOVA_STOP_TARGET says (its last path part). That
// is how a finished temporary file replaces the file that was there; the first version of a file
// is put in place by a link instead, which is left alone.

// (A save first tries to link its file in place, which fails when the file exists, then renames.)

#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>

namespace {

int s_calls = 0;

bool isTarget(const char *to)
{
    const char *target = getenv("PENNOVA_STOP_TARGET");
    if (!target || !to)
        return false;
    const char *name = strrchr(to, '/');
    name = name ? name + 1 : to;
    const char *wanted = strrchr(target, '/');
    return strcmp(name, wanted ? wanted + 1 : target) == 0;
}

void maybe_stop(int after)
{
    const char *when = getenv("PENNOVA_STOP_AT");
    const char *count = getenv("PENNOVA_STOP_COUNT");
    if (!when || strcmp(when, after ? "after" : "before") != 0)
        return;
    if (s_calls == (count ? atoi(count) : 1))
        raise(SIGSTOP);
}

} // namespace

#define AROUND(to, call)                                                                           \
    do {                                                                                           \
        const bool counted = isTarget(to);                                                         \
        s_calls += counted ? 1 : 0;                                                                \
        if (counted)                                                                               \
            maybe_stop(0);                                                                         \
        int result = call;                                                                         \
        if (counted)                                                                               \
            maybe_stop(1);                                                                         \
        return result;                                                                             \
    } while (0)

extern "C" {

int rename(const char *from, const char *to)
{
    auto real = reinterpret_cast<int (*)(const char *, const char *)>(dlsym(RTLD_NEXT, "rename"));
    AROUND(to, real(from, to));
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    auto real = reinterpret_cast<int (*)(int, const char *, int, const char *)>(
        dlsym(RTLD_NEXT, "renameat"));
    AROUND(to, real(fromDir, from, toDir, to));
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    auto real = reinterpret_cast<int (*)(int, const char *, int, const char *, unsigned)>(
        dlsym(RTLD_NEXT, "renameat2"));
    AROUND(to, real(fromDir, from, toDir, to, flags));
}

} // extern "C"
