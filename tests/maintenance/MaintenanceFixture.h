#pragma once
// A working archive in a folder of its own, a backup folder beside it, the settings naming
// both, the archive session over the working archive, and the scripted prompter and work
// window every maintenance command reports to.

#include "ScriptedWork.h"
#include "TempArchive.h"
#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"

#include <QProcess>
#include <QRegularExpression>

class MaintenanceTest : public WindowTest {
protected:
    MaintenanceTest() {
        work.Create();
        session.SetDatabase(work.db);
        session.SetStorage(work.storage);
        settings.RootDir = QFileInfo(work.Path()).absolutePath();
        settings.BackupDir = backupDir.path();
        customer = work.Add("Clienti", {{"Codice", "C1"}, {"Cognome", "Rossi"}});
    }

    QString BackupFile() const { return backupDir.filePath("Tessarin.mdb"); }
    OID Sale(const QDateTime& when, qint64 euro) {
        return work.Add("OperazioniVendite",
                        {{"Cliente", customer}, {"Data", when}, {"Importo", Amount(euro)}});
    }
    // A file that is not an archive, or not a whole one.
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Every row of every table, as the sqlite3 program prints them.
    static QString Dump(const QString& path) {
        QProcess sqlite;
        sqlite.start("sqlite3", {path, ".dump"});
        sqlite.waitForFinished();
        // A sequence still at 0 is the same as none: an insert of no rows may leave one.
        return QString::fromUtf8(sqlite.readAllStandardOutput())
            .remove(QRegularExpression("INSERT INTO sqlite_sequence VALUES\\('\\w+',0\\);\n"));
    }

    TempArchive work;
    QTemporaryDir backupDir;
    clsSettings settings;
    clsArchiveSession session;
    ScriptedWork progress;
    OID customer = 0;
};
