#include <clsSingleInstance.h>

#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

// A runtime folder of its own, as every user session has.
class clsSingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_oldRuntime); }

    QTemporaryDir m_runtime;
    const QByteArray m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
};

TEST_F(clsSingleInstanceTest, SecondCopyIsRefusedWhileTheFirstRuns) {
    EXPECT_EQ(clsSingleInstance("Altro").LockPath(), m_runtime.filePath("Altro.lock"));
    auto first = std::make_unique<clsSingleInstance>();
    EXPECT_EQ(first->LockPath(), m_runtime.filePath("Tessarin.lock"));
    ASSERT_TRUE(first->TryLock());
    EXPECT_TRUE(first->TryLock()); // asking again keeps what it holds
    EXPECT_TRUE(QFile::exists(first->LockPath()));
    clsSingleInstance second;
    EXPECT_FALSE(second.TryLock());
    EXPECT_EQ(SecondInstanceMessage(),
              "L'applicazione e' stata gia' avviata\r\r"
              "Controlla la barra dei menu' per la riattivazione premendo doppio click "
              "sull'icona corrispondente...");
    // A copy that has been running for days still holds the lock.
    QFile file(first->LockPath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-3),
                                 QFileDevice::FileModificationTime));
    EXPECT_FALSE(second.TryLock());
    first.reset();
    EXPECT_FALSE(QFile::exists(second.LockPath()));
    EXPECT_TRUE(second.TryLock());
    // A folder that does not exist: the guard cannot tell, and must not claim another copy.
    clsSingleInstance missing("mancante/Tessarin");
    EXPECT_TRUE(missing.TryLock());
    EXPECT_FALSE(QFile::exists(missing.LockPath()));
}

TEST_F(clsSingleInstanceTest, AnotherProcessBlocksUntilItDiesAndItsLockIsTakenOver) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other copy takes the lock and runs until killed, as in a crash.
        clsSingleInstance other;
        const char locked = other.TryLock() ? 'y' : 'n';
        if (write(ready[1], &locked, 1) != 1) _exit(2);
        for (;;)
            pause();
    }
    char locked = 0;
    ASSERT_EQ(read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'y');
    clsSingleInstance guard;
    EXPECT_FALSE(guard.TryLock());
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    close(ready[0]);
    close(ready[1]);
    // The dead copy's file is still there and does not block.
    qint64 owner = 0;
    QString host, app;
    ASSERT_TRUE(QLockFile(guard.LockPath()).getLockInfo(&owner, &host, &app));
    EXPECT_EQ(owner, child);
    EXPECT_TRUE(guard.TryLock());
    ASSERT_TRUE(QLockFile(guard.LockPath()).getLockInfo(&owner, &host, &app));
    EXPECT_EQ(owner, getpid());
}
