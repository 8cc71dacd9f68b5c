#pragma once
// A disk that fails on cue, for tests: a SQLite file system over the system's own that makes
// the N-th read, write or sync of any file fail with an I/O error or a full disk. Installed as
// SQLite's default while it lives, so the program's own code opens its archives through it.

#include <sqlite3.h>

class FaultVfs {
public:
    enum class Kind { Write, Sync, Read, None };

    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    // From now on the `n`-th call of `kind` (1-based) fails with `code` (SQLITE_IOERR or
    // SQLITE_FULL); with `sticky` every later one too, as on a disk that stays full.
    void Arm(Kind kind, int n, int code, bool sticky);
    void Disarm() { m_kind = Kind::None; }
    bool Fired() const { return m_fired; }
    int Check(Kind kind);
    sqlite3_vfs* Base() const { return m_base; }

private:
    sqlite3_vfs m_vfs{};
    sqlite3_vfs* m_base = nullptr;
    bool m_fired = false, m_sticky = false;
    Kind m_kind = Kind::None;
    int m_n = 0, m_count = 0, m_code = SQLITE_IOERR;
};
