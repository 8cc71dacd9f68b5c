#pragma once
// What the fuzz targets share: a folder of their own for every file the program writes, and a
// check that stops the run with a message, so a broken promise counts as a crash.

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// Points the program's folder and the settings store at a fresh temporary folder; called once
// per process, before anything reads them.
inline QString FuzzHome() {
    // In memory where the system has it: the settings store and SQLite flush every write.
    static QTemporaryDir dir(QDir("/dev/shm").exists()
                                 ? "/dev/shm/tessarin-fuzz-XXXXXX"
                                 : QDir::tempPath() + "/tessarin-fuzz-XXXXXX");
    static const bool ready = [] {
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("config");
        qputenv("TESSARIN_HOME", QDir(dir.path()).filePath("home").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath("config").toLocal8Bit());
        return true;
    }();
    (void)ready;
    return dir.path();
}

#define FUZZ_EXPECT(condition, what)                                                               \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "broken: %s (%s)\n", #condition, qPrintable(QString(what)));      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
