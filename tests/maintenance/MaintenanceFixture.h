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
    // Every row of every table, as the sqlite3 program prints them.
    static QString Dump(const QString& path) {
        QProcess sqlite;
        sqlite.start("sqlite3", {path, ".dump"});
        sqlite.waitForFinished();
        return QString::fromUtf8(sqlite.readAllStandardOutput());
    }

    TempArchive work;
    QTemporaryDir backupDir;
    clsSettings settings;
    clsArchiveSession session;
    ScriptedWork progress;
    OID customer = 0;
};
