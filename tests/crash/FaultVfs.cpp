#include "FaultVfs.h"

#include <cstring>

namespace {

FaultVfs* g_vfs = nullptr;

// The wrapped file: our methods first, the system file's own structure right behind.
struct FaultFile {
    sqlite3_file base;
    sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

FaultFile* Wrapped(sqlite3_file* f) {
    return reinterpret_cast<FaultFile*>(f);
}

int Close(sqlite3_file* f) {
    return Wrapped(f)->Real()->pMethods->xClose(Wrapped(f)->Real());
}
int Read(sqlite3_file* f, void* buf, int n, sqlite3_int64 offset) {
    if (const int rc = g_vfs->Check(FaultVfs::Kind::Read)) return rc;
    return Wrapped(f)->Real()->pMethods->xRead(Wrapped(f)->Real(), buf, n, offset);
}
int Write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 offset) {
    if (const int rc = g_vfs->Check(FaultVfs::Kind::Write)) return rc;
    return Wrapped(f)->Real()->pMethods->xWrite(Wrapped(f)->Real(), buf, n, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return Wrapped(f)->Real()->pMethods->xTruncate(Wrapped(f)->Real(), size);
}
int Sync(sqlite3_file* f, int flags) {
    if (const int rc = g_vfs->Check(FaultVfs::Kind::Sync)) return rc;
    return Wrapped(f)->Real()->pMethods->xSync(Wrapped(f)->Real(), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Wrapped(f)->Real()->pMethods->xFileSize(Wrapped(f)->Real(), size);
}
int Lock(sqlite3_file* f, int level) {
    return Wrapped(f)->Real()->pMethods->xLock(Wrapped(f)->Real(), level);
}
int Unlock(sqlite3_file* f, int level) {
    return Wrapped(f)->Real()->pMethods->xUnlock(Wrapped(f)->Real(), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Wrapped(f)->Real()->pMethods->xCheckReservedLock(Wrapped(f)->Real(), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Wrapped(f)->Real()->pMethods->xFileControl(Wrapped(f)->Real(), op, arg);
}
int SectorSize(sqlite3_file* f) {
    return Wrapped(f)->Real()->pMethods->xSectorSize(Wrapped(f)->Real());
}
int DeviceCharacteristics(sqlite3_file* f) {
    return Wrapped(f)->Real()->pMethods->xDeviceCharacteristics(Wrapped(f)->Real());
}

// Version 1 methods only: no shared memory (the archive keeps a rollback journal) and no
// memory mapping, so every page goes through Read and Write.
const sqlite3_io_methods kMethods = {1,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* base = static_cast<FaultVfs*>(vfs->pAppData)->Base();
    auto* file = Wrapped(f);
    const int rc = base->xOpen(base, name, file->Real(), flags, outFlags);
    // A file the system could not open has no methods; SQLite then calls no Close on ours.
    file->base.pMethods = file->Real()->pMethods ? &kMethods : nullptr;
    return rc;
}

#define FORWARD(name, params, args)                                                                \
    auto name params {                                                                             \
        auto* base = static_cast<FaultVfs*>(vfs->pAppData)->Base();                                \
        return base->name args;                                                                    \
    }
FORWARD(xDelete, (sqlite3_vfs * vfs, const char* n, int sync), (base, n, sync))
FORWARD(xAccess, (sqlite3_vfs * vfs, const char* n, int flags, int* out), (base, n, flags, out))
FORWARD(xFullPathname, (sqlite3_vfs * vfs, const char* n, int size, char* out),
        (base, n, size, out))
FORWARD(xRandomness, (sqlite3_vfs * vfs, int n, char* out), (base, n, out))
FORWARD(xSleep, (sqlite3_vfs * vfs, int us), (base, us))
FORWARD(xCurrentTime, (sqlite3_vfs * vfs, double* out), (base, out))
FORWARD(xGetLastError, (sqlite3_vfs * vfs, int n, char* out), (base, n, out))
#undef FORWARD

} // namespace

FaultVfs::FaultVfs() {
    m_base = sqlite3_vfs_find(nullptr);
    m_vfs.iVersion = 1;
    m_vfs.szOsFile = int(sizeof(FaultFile)) + m_base->szOsFile;
    m_vfs.mxPathname = m_base->mxPathname;
    m_vfs.zName = "tessarin-fault";
    m_vfs.pAppData = this;
    m_vfs.xOpen = Open;
    m_vfs.xDelete = xDelete;
    m_vfs.xAccess = xAccess;
    m_vfs.xFullPathname = xFullPathname;
    m_vfs.xRandomness = xRandomness;
    m_vfs.xSleep = xSleep;
    m_vfs.xCurrentTime = xCurrentTime;
    m_vfs.xGetLastError = xGetLastError;
    g_vfs = this;
    sqlite3_vfs_register(&m_vfs, 1);
}

FaultVfs::~FaultVfs() {
    sqlite3_vfs_unregister(&m_vfs);
    sqlite3_vfs_register(m_base, 1);
    g_vfs = nullptr;
}

void FaultVfs::Arm(Kind kind, int n, int code, bool sticky) {
    m_kind = kind;
    m_n = n;
    m_code = code;
    m_sticky = sticky;
    m_count = 0;
    m_fired = false;
    m_armed = true;
}

int FaultVfs::Check(Kind kind) {
    if (!m_armed || kind != m_kind) return SQLITE_OK;
    ++m_count;
    if (m_count < m_n || (m_count > m_n && !m_sticky)) return SQLITE_OK;
    m_fired = true;
    if (m_code != SQLITE_IOERR) return m_code;
    switch (kind) {
    case Kind::Write:
        return SQLITE_IOERR_WRITE;
    case Kind::Sync:
        return SQLITE_IOERR_FSYNC;
    case Kind::Read:
        return SQLITE_IOERR_READ;
    }
    return SQLITE_IOERR;
}
