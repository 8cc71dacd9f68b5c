// Every operation that writes an archive, run once for every N with the N-th read, write or
// sync failing (an I/O error, or a disk that stays full): the clerk is told of each failure and
// never of a success after it, and the archives are as before or wholly changed. Then a real
// full disk, and the end of the program at the last message of a conversion.
#include "CrashWorld.h"
#include "FaultVfs.h"
#include "clsSettings.h"
#include "modSettingText.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct FaultCase {
    const char* Name;
    FaultVfs::Kind Kind;
    int Code;
    bool Sticky;
};
// A write failing once is checked by `make crashtest` only (CRASH_FAULTS_ALL set): it fails
// where the full disk fails first, and ctest has its time.
std::vector<FaultCase> Faults() {
    std::vector<FaultCase> faults{
        {"FullDisk", FaultVfs::Kind::Write, SQLITE_FULL, true},
        {"SyncError", FaultVfs::Kind::Sync, SQLITE_IOERR, false},
        {"ReadError", FaultVfs::Kind::Read, SQLITE_IOERR, false},
    };
    if (qEnvironmentVariableIsSet("CRASH_FAULTS_ALL"))
        faults.push_back({"WriteError", FaultVfs::Kind::Write, SQLITE_IOERR, false});
    return faults;
}

class FaultTest : public ::testing::TestWithParam<std::tuple<int, FaultCase>> {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir(CrashTempTemplate());
        CrashWorld(s_dir->filePath("base")).Make({5, 30});
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static CrashWorld Base() { return CrashWorld(s_dir->filePath("base")); }
    static inline QTemporaryDir* s_dir = nullptr;
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
        trial.Run(op, 0, prompter, [&] { vfs.Arm(fault.Kind, n, fault.Code, fault.Sticky); });
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
    CrashWorld(base.filePath("w")).Make({12, 40});
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
    world.Make({12, 40});
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
