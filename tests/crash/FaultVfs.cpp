#include "FaultVfs.h"

// The tables below name only the methods of version 1; the later ones stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

FaultVfs* g_vfs = nullptr;
using Io = sqlite3_io_methods;
using Kind = FaultVfs::Kind;

// Each of our files is followed by the system file's own structure, which does the work once
// the call of the armed kind has been counted.
template <auto Method, Kind K = Kind::None, typename... A> int Call(sqlite3_file* f, A... args) {
    if (const int rc = g_vfs->Check(K)) return rc;
    sqlite3_file* real = f + 1;
    return (real->pMethods->*Method)(real, args...);
}
template <auto Method, typename... A> int Forward(sqlite3_vfs*, A... args) {
    sqlite3_vfs* base = g_vfs->Base();
    return (base->*Method)(base, args...);
}

// Version 1 methods only: no shared memory (the archive keeps a rollback journal) and no
// memory mapping, so every page goes through Read and Write.
const Io kMethods = {1,
                     Call<&Io::xClose>,
                     Call<&Io::xRead, Kind::Read>,
                     Call<&Io::xWrite, Kind::Write>,
                     Call<&Io::xTruncate>,
                     Call<&Io::xSync, Kind::Sync>,
                     Call<&Io::xFileSize>,
                     Call<&Io::xLock>,
                     Call<&Io::xUnlock>,
                     Call<&Io::xCheckReservedLock>,
                     Call<&Io::xFileControl>,
                     Call<&Io::xSectorSize>,
                     Call<&Io::xDeviceCharacteristics>};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = g_vfs->Base()->xOpen(g_vfs->Base(), name, f + 1, flags, outFlags);
    // A file the system could not open has no methods; SQLite then calls no Close on ours.
    f->pMethods = f[1].pMethods ? &kMethods : nullptr;
    return rc;
}

} // namespace

FaultVfs::FaultVfs() : m_base(sqlite3_vfs_find(nullptr)) {
    using V = sqlite3_vfs;
    m_vfs = {.iVersion = 1,
             .szOsFile = int(sizeof(sqlite3_file)) + m_base->szOsFile,
             .mxPathname = m_base->mxPathname,
             .zName = "tessarin-fault",
             .xOpen = Open,
             .xDelete = Forward<&V::xDelete>,
             .xAccess = Forward<&V::xAccess>,
             .xFullPathname = Forward<&V::xFullPathname>,
             .xRandomness = Forward<&V::xRandomness>,
             .xSleep = Forward<&V::xSleep>,
             .xCurrentTime = Forward<&V::xCurrentTime>,
             .xGetLastError = Forward<&V::xGetLastError>};
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
}

int FaultVfs::Check(Kind kind) {
    if (kind == Kind::None || kind != m_kind) return SQLITE_OK;
    ++m_count;
    if (m_count < m_n || (m_count > m_n && !m_sticky)) return SQLITE_OK;
    m_fired = true;
    constexpr int kIoError[] = {SQLITE_IOERR_WRITE, SQLITE_IOERR_FSYNC, SQLITE_IOERR_READ};
    return m_code == SQLITE_IOERR ? kIoError[int(kind)] : m_code;
}
