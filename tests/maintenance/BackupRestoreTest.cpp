#include "MaintenanceFixture.h"
#include "clsBackupRestore.h"

#include <QDir>
#include <QFile>

namespace {

const QString kSave = "Salvataggio dei dati";
const QString kRestore = "Ripristino dei dati";
const QDateTime kDayBefore(QDate(2024, 3, 13), QTime(23, 30));
const QDateTime kDay(QDate(2024, 3, 14), QTime(10, 0));
const QDateTime kDayAfter(QDate(2024, 3, 15), QTime(0, 10));

class BackupRestoreTest : public MaintenanceTest {
protected:
    BackupRestoreTest() {
        for (const QDateTime& when : {kDayBefore, kDay, kDayAfter})
            Sale(when, 100);
    }
    bool Run(bool restore, const clsBackupSelection& selection) {
        clsBackupRestore command(session, settings, progress, nullptr);
        command.SetStatusMsg = [this](const QString& text) { status = text; };
        return command.BackupRestoreData(restore, selection);
    }
    QString Confirmation(bool restore) const {
        return (restore ? "Verranno ripristinati i dati dall'archivio:\r"
                        : "Verranno salvati i dati nell'archivio:\r") +
               BackupFile() + "\r\rConfermi ?";
    }
    QString status;
};

TEST_F(BackupRestoreTest, APeriodSavesExactlyItsDaysAndRemovesThemOnlyWhenConfirmed) {
    for (const PromptAnswer removal : {PromptAnswer::No, PromptAnswer::Yes}) {
        SCOPED_TRACE(int(removal));
        QFile::remove(BackupFile());
        prompter.Answer(PromptAnswer::Yes).Answer(removal).Answer(PromptAnswer::Ok);
        ASSERT_TRUE(Run(false, {false, kDay.date(), kDay.date(), true, false}));

        const QString period = "dal 14/03/2024 al 14/03/2024";
        EXPECT_EQ(prompter.History()[prompter.History().size() - 3].Message,
                  (PromptMessage{Confirmation(false), kSave, PromptIcon::Question,
                                 PromptButtons::YesNo, PromptAnswer::Yes}));
        EXPECT_EQ(prompter.Messages().mid(prompter.Messages().size() - 2),
                  (QStringList{kSave +
                                   " effettuato.\r\rConfermi l'eliminazione dei dati di "
                                   "Fornitura e di Vendita <" +
                                   period + "> dall'archivio di origine ?",
                               "Operazione completata"}));
        EXPECT_EQ(status, "Operazione completata");
        QStringList shown{"Analisi archivio destinazione per il salvataggio...", kSave + "...",
                          kSave + " <Vendite> " + period + "..."};
        if (removal == PromptAnswer::Yes) shown << "Elinazione dati <Vendite> " + period + " ...";
        EXPECT_EQ(progress.Texts.mid(progress.Texts.size() - shown.size()), shown);
        EXPECT_FALSE(progress.Loaded);

        // The first save made the backup archive; only the day itself went there.
        TempArchive backup;
        backup.storage = std::make_shared<DbmsStorage>();
        backup.storage->Open(3, BackupFile());
        EXPECT_EQ(backup.Scalar("SELECT COUNT(*) FROM OperazioniVendite"), 1);
        EXPECT_EQ(backup.Text("SELECT Data FROM OperazioniVendite"), "2024-03-14 10:00:00");
        EXPECT_EQ(backup.Text("SELECT Codice FROM Clienti WHERE Codice = 'C1'"), "C1");
        EXPECT_EQ(work.Count("OperazioniVendite"), removal == PromptAnswer::Yes ? 2 : 3);
    }
}

TEST_F(BackupRestoreTest, AllDataSavedThenRestoredBringsBackWhatWasLost) {
    const QString before = Dump(work.Path());
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(Run(false, {}));
    work.Exec("DELETE FROM OperazioniVendite");
    work.Exec("UPDATE Clienti SET Cognome = 'Bianchi'");

    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(Run(true, {}));
    EXPECT_EQ(prompter.History()[prompter.History().size() - 2].Message.Text, Confirmation(true));
    EXPECT_TRUE(progress.Texts.contains(kRestore + " <OperazioniVendite>..."));
    EXPECT_EQ(Dump(work.Path()), before);
}

TEST_F(BackupRestoreTest, AStopLeavesTheDestinationAsItWas) {
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(Run(false, {}));
    const QString backup = Dump(BackupFile());

    // Stopped at the very last row, in the last table: nothing of the restore stays.
    progress.Calls = 0;
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(Run(true, {}));
    work.Exec("DELETE FROM OperazioniVendite");
    work.Exec("UPDATE Clienti SET Cognome = 'Bianchi'"); // a table restored before the stop
    const QString changed = Dump(work.Path());
    progress.StopAt = progress.Calls;
    progress.Calls = 0;
    prompter.Answer(PromptAnswer::Yes);
    EXPECT_FALSE(Run(true, {}));
    EXPECT_EQ(Dump(work.Path()), changed);

    progress.Calls = 0;
    progress.StopAt = 1;
    Sale(kDay, 50);
    prompter.Answer(PromptAnswer::Yes);
    EXPECT_FALSE(Run(false, {false, kDay.date(), kDay.date(), true, true}));
    EXPECT_EQ(Dump(BackupFile()), backup);
}

TEST_F(BackupRestoreTest, RefusalsTouchNothing) {
    const QString working = Dump(work.Path());
    // The same folder under another name: a trailing separator, a link.
    QFile::link(settings.RootDir, backupDir.filePath("link"));
    for (const QString& folder : {settings.RootDir + "/", backupDir.filePath("link")}) {
        settings.BackupDir = folder;
        prompter.Answer(PromptAnswer::Ok);
        EXPECT_FALSE(Run(false, {}));
        EXPECT_EQ(prompter.LastMessage(),
                  (PromptMessage{"L'indirizzario di backup <" + folder +
                                     "> non puo' corrispondere a quello dell'archivio di lavoro",
                                 "Tessarin", PromptIcon::Exclamation}));
    }
    // Names differing in case are two folders here: the command goes on to ask.
    settings.BackupDir = settings.RootDir.toUpper();
    prompter.Answer(PromptAnswer::No);
    EXPECT_FALSE(Run(false, {}));
    EXPECT_EQ(prompter.LastMessage().Caption, kSave);

    settings.BackupDir = backupDir.path();
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    EXPECT_FALSE(Run(true, {}));
    EXPECT_EQ(prompter.LastMessage(),
              (PromptMessage{"Archivio di appoggio (backup) per il ripristino non presente\r\r"
                             "Archivio: " +
                                 BackupFile(),
                             "Tessarin", PromptIcon::Exclamation, PromptButtons::OkCancel}));
    EXPECT_EQ(Dump(work.Path()), working);
    EXPECT_FALSE(QFile::exists(BackupFile()));
}

TEST_F(BackupRestoreTest, AnUnreadableBackupIsReportedAsAnError) {
    Write(BackupFile(), QByteArray(4096, 'x'));
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::No);
    EXPECT_FALSE(Run(true, {}));
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith("Si e' verificato un errore:\r\r"));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_FALSE(progress.Loaded);
}

} // namespace
