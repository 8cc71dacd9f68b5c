// Every operation that writes an archive, run once for every N with the N-th read, write or
// sync failing (an I/O error, or a disk that stays full): the clerk is told of each failure and
// never of a success after it, and the archives are as before or wholly changed. Then a real
// full disk, and the end of the program at the last message of a conversion.
#include "CrashWorld.h"
#include "clsSettings.h"
#include "modSettingText.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

// The fault file system's tables name only the methods of version 1; the later ones stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

enum class Kind { Write, Sync, Read, None };
struct FaultCase {
    const char* Name;
    Kind On;
    int Code;    // SQLITE_IOERR or SQLITE_FULL
    bool Sticky; // every later call fails too, as on a disk that stays full
};

// A disk that fails on cue: a SQLite file system over the system's own, installed as SQLite's
// default while it lives so that the program opens its archives through it, where the N-th call
// (1-based) of the armed fault's kind fails.
class FaultVfs {
public:
    FaultVfs();
    ~FaultVfs() {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(Base, 1);
    }
    void Arm(const FaultCase& fault, int n) {
        m_fault = fault;
        m_n = n;
        m_count = 0;
        m_fired = false;
    }
    void Disarm() { m_fault.On = Kind::None; }
    bool Fired() const { return m_fired; }
    int Check(Kind kind) {
        if (kind == Kind::None || kind != m_fault.On || ++m_count < m_n ||
            (m_count > m_n && !m_fault.Sticky))
            return SQLITE_OK;
        m_fired = true;
        constexpr int kIoError[] = {SQLITE_IOERR_WRITE, SQLITE_IOERR_FSYNC, SQLITE_IOERR_READ};
        return m_fault.Code == SQLITE_IOERR ? kIoError[int(kind)] : m_fault.Code;
    }
    sqlite3_vfs* const Base = sqlite3_vfs_find(nullptr);

private:
    sqlite3_vfs m_vfs{};
    FaultCase m_fault{"", Kind::None, SQLITE_OK, false};
    int m_n = 0, m_count = 0;
    bool m_fired = false;
};

FaultVfs* g_vfs = nullptr;
using Io = sqlite3_io_methods;

// Each of our files is followed by the system file's own structure, which does the work once
// the call of the armed kind has been counted.
template <auto Method, Kind K = Kind::None, typename... A> int Call(sqlite3_file* f, A... args) {
    if (const int rc = g_vfs->Check(K)) return rc;
    sqlite3_file* real = f + 1;
    return (real->pMethods->*Method)(real, args...);
}
template <auto Method, typename... A> int Forward(sqlite3_vfs*, A... args) {
    return (g_vfs->Base->*Method)(g_vfs->Base, args...);
}

// No shared memory (the archive keeps a rollback journal) and no memory mapping, so every page
// goes through Read and Write.
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
    const int rc = g_vfs->Base->xOpen(g_vfs->Base, name, f + 1, flags, outFlags);
    // A file the system could not open has no methods; SQLite then calls no Close on ours.
    f->pMethods = f[1].pMethods ? &kMethods : nullptr;
    return rc;
}

FaultVfs::FaultVfs() {
    using V = sqlite3_vfs;
    m_vfs = {.iVersion = 1,
             .szOsFile = int(sizeof(sqlite3_file)) + Base->szOsFile,
             .mxPathname = Base->mxPathname,
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

// A write failing once is checked by `make crashtest` only (CRASH_FAULTS_ALL set): it fails
// where the full disk fails first, and ctest has its time.
std::vector<FaultCase> Faults() {
    std::vector<FaultCase> faults{{"FullDisk", Kind::Write, SQLITE_FULL, true},
                                  {"SyncError", Kind::Sync, SQLITE_IOERR, false},
                                  {"ReadError", Kind::Read, SQLITE_IOERR, false}};
    if (qEnvironmentVariableIsSet("CRASH_FAULTS_ALL"))
        faults.push_back({"WriteError", Kind::Write, SQLITE_IOERR, false});
    return faults;
}

class FaultTest : public ::testing::TestWithParam<std::tuple<int, FaultCase>> {
protected:
    static void SetUpTestSuite() { Base().Make(5, 30); }
    static CrashWorld Base() {
        static const QTemporaryDir dir(CrashTempTemplate());
        return CrashWorld(dir.filePath("base"));
    }
    QTemporaryDir m_trial{CrashTempTemplate()};
};

TEST_P(FaultTest, EveryFailureIsToldAndLeavesTheArchivesWholeOrUnchanged) {
    const auto& [index, fault] = GetParam();
    const CrashOp op = CrashOp(index);
    const QSet<QString> states = Base().ReferenceStates(op, 1);
    FaultVfs vfs;
    int n = 1;
    for (;; ++n) {
        SCOPED_TRACE(QString("%1 at %2").arg(fault.Name).arg(n).toStdString());
        const CrashWorld trial = Base().CopyTo(m_trial.path());
        trial.UseSettings();
        CrashPrompter prompter;
        trial.Run(op, 0, prompter, [&] { vfs.Arm(fault, n); });
        vfs.Disarm();
        const auto told = prompter.Told();
        EXPECT_EQ(trial.Problems(op, states), QStringList());
        EXPECT_FALSE(told.SuccessAfterFailure) << prompter.Messages().join(" | ").toStdString();
        EXPECT_TRUE(!vfs.Fired() || told.Succeeded || !told.Failures.isEmpty())
            << "a failure nobody was told of";
        if (!vfs.Fired() || HasFailure()) break;
    }
    std::cout << CrashOpText(op) << ", " << fault.Name << ": every N up to " << n - 1 << '\n';
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultTest,
                         ::testing::Combine(::testing::Range(0, int(std::size(kCrashOpNames))),
                                            ::testing::ValuesIn(Faults())),
                         [](const auto& info) {
                             std::string name = kCrashOpNames[std::get<0>(info.param)];
                             std::erase(name, '-');
                             return name + "_" + std::get<1>(info.param).Name;
                         });

// A working folder on a small file system of its own, filled up: the clerk's sale and the
// save are refused with a message and the archives stay as they were.
TEST(FullDisk, ARealFullDiskIsToldAndChangesNothing) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    QTemporaryDir mount, base;
    CrashWorld(base.filePath("w")).Make(12, 40);
    ASSERT_EQ(QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=4m", "tmpfs", mount.path()}),
              0);
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mount.path()}); });
    for (const CrashOp op : {CrashOp::Sale, CrashOp::Save, CrashOp::Import}) {
        SCOPED_TRACE(CrashOpText(op));
        const CrashWorld trial = CrashWorld(base.filePath("w")).CopyTo(mount.filePath("w"));
        trial.UseSettings();
        const QString before = trial.State();
        QFile filler(mount.filePath("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        CrashPrompter prompter;
        trial.Run(op, 0, prompter);
        EXPECT_FALSE(prompter.Told().Succeeded) << prompter.Messages().join(" | ").toStdString();
        EXPECT_FALSE(prompter.Told().Failures.isEmpty());
        QFile::remove(filler.fileName());
        EXPECT_EQ(trial.Problems(op, {before}), QStringList());
        EXPECT_EQ(trial.State(), before);
    }
}

// The program may end while the clerk reads that the conversion is over: the amounts are
// converted by then, and the next conversion must know it.
TEST(Conversion, AnEndAtTheLastMessageStillCountsAsConverted) {
    QTemporaryDir dir(CrashTempTemplate());
    const CrashWorld world(dir.filePath("w"));
    world.Make(12, 40);
    world.UseSettings();
    CrashPrompter ended;
    ended.OnMessage = [](const PromptMessage& m) {
        if (m.Text == "Conversione terminata.") throw std::runtime_error("the program ends here");
    };
    EXPECT_THROW(world.Run(CrashOp::Convert, 0, ended), std::runtime_error);
    EXPECT_TRUE(modSettingText::ParseBoolSetting(
        clsSettings().ReadSetting("Configuration", "CurrencyConverted", "False")));
}

} // namespace
