#include "faultvfs.h"

#include <atomic>
#include <pthread.h>
#include <sqlite3.h>
#include <unistd.h>

namespace gudang::test::faultvfs {

namespace {

sqlite3_vfs *g_real = nullptr;
sqlite3_vfs g_vfs;
int g_failRc = 0;
int g_exitAt = 0;
int g_writes = 0;
bool g_readOnly = false;
// Read from any thread (a record source loads on a thread of its own).
std::atomic<int> g_readDelayUs { 0 };
std::atomic<int> g_loaderDelayUs { 0 }; // only on threads other than the one that installed
pthread_t g_mainThread;
std::atomic<bool> g_failReads { false };

struct File
{
    sqlite3_file base;
    sqlite3_file *real;
};

sqlite3_file *real(sqlite3_file *f)
{
    return reinterpret_cast<File *>(f)->real;
}

// Counts a write-like call; ends the process or fails it as asked.
int fault()
{
    ++g_writes;
    if (g_exitAt > 0 && g_writes >= g_exitAt)
        _exit(70);
    return g_failRc;
}

int xClose(sqlite3_file *f)
{
    return real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
}
int xRead(sqlite3_file *f, void *p, int n, sqlite3_int64 o)
{
    if (const int us = g_readDelayUs.load())
        ::usleep(useconds_t(us));
    if (const int us = g_loaderDelayUs.load(); us && !pthread_equal(pthread_self(), g_mainThread))
        ::usleep(useconds_t(us));
    if (g_failReads.load())
        return SQLITE_IOERR_READ;
    return real(f)->pMethods->xRead(real(f), p, n, o);
}
int xWrite(sqlite3_file *f, const void *p, int n, sqlite3_int64 o)
{
    if (const int rc = fault())
        return rc;
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int xTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    if (const int rc = fault())
        return rc;
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file *f, int flags)
{
    if (const int rc = fault())
        return rc;
    return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file *f, sqlite3_int64 *size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file *f, int l)
{
    return real(f)->pMethods->xLock(real(f), l);
}
int xUnlock(sqlite3_file *f, int l)
{
    return real(f)->pMethods->xUnlock(real(f), l);
}
int xCheckReservedLock(sqlite3_file *f, int *out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file *f, int op, void *arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file *f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file *f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file *f, int region, int size, int extend, void volatile **p)
{
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, p);
}
int xShmLock(sqlite3_file *f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file *f)
{
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file *f, int deleteFlag)
{
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int xFetch(sqlite3_file *f, sqlite3_int64 o, int n, void **p)
{
    return real(f)->pMethods->xFetch(real(f), o, n, p);
}
int xUnfetch(sqlite3_file *f, sqlite3_int64 o, void *p)
{
    return real(f)->pMethods->xUnfetch(real(f), o, p);
}

const sqlite3_io_methods g_methods = {
    3,
    xClose,
    xRead,
    xWrite,
    xTruncate,
    xSync,
    xFileSize,
    xLock,
    xUnlock,
    xCheckReservedLock,
    xFileControl,
    xSectorSize,
    xDeviceCharacteristics,
    xShmMap,
    xShmLock,
    xShmBarrier,
    xShmUnmap,
    xFetch,
    xUnfetch,
};

int xOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags)
{
    auto *file = reinterpret_cast<File *>(f);
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    file->real->pMethods = nullptr;
    if (g_readOnly && (flags & SQLITE_OPEN_MAIN_DB) && (flags & SQLITE_OPEN_READWRITE))
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    file->base.pMethods = file->real->pMethods ? &g_methods : nullptr;
    return rc;
}

} // namespace

void install()
{
    g_mainThread = pthread_self();
    if (g_real)
        return;
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.zName = "faultvfs";
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.xOpen = xOpen;
    sqlite3_vfs_register(&g_vfs, 1);
}

void failWrites(int rc)
{
    g_failRc = rc;
}

void exitAtWrite(int n)
{
    g_exitAt = n;
    g_writes = 0;
}

void readOnlyMedium(bool on)
{
    g_readOnly = on;
}

void slowLoaderReads(int microseconds)
{
    g_loaderDelayUs = microseconds;
}

void slowReads(int microseconds)
{
    g_readDelayUs = microseconds;
}

void failReads(bool on)
{
    g_failReads = on;
}

int writes()
{
    return g_writes;
}

} // namespace gudang::test::faultvfs
