#include "MaintenanceFixture.h"
#include "modCurrencyConversion.h"
#include "modDatabaseRepair.h"
#include "modImportArchive.h"

#include <QDir>
#include <QFile>

namespace {

// --- import ---

class ImportTest : public MaintenanceTest {
protected:
    ImportTest() {
        other.Create();
        other.Add("Clienti", {{"Codice", "X1"}, {"Cognome", "Verdi"}});
        other.Add("Clienti", {{"Codice", "X2"}, {"Cognome", "Neri"}});
        other.Close();
    }
    bool Import(const QString& path) {
        return modImportArchive::ImportArchive(path, *work.Open("Clienti"), nullptr, work.Engine(),
                                               settings, progress);
    }
    TempArchive other;
};

TEST_F(ImportTest, RowsComeInUnderNewOidsOnceConfirmed) {
    const QString before = Dump(work.Path());
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::No); // declined: nothing comes in
    EXPECT_FALSE(Import(other.Path()));
    EXPECT_EQ(Dump(work.Path()), before);

    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    EXPECT_TRUE(Import(other.Path()));
    EXPECT_EQ(prompter.Messages().mid(prompter.Messages().size() - 3),
              (QStringList{"Vuoi visualizzare i dati che verranno importati ?",
                           "Confermi l'importazione ?", "OPERAZIONE COMPLETATA."}));
    EXPECT_EQ(progress.Texts, (QStringList{"Analisi dei dati...", "Analisi dei dati...",
                                           "Importazione <Clienti > in corso..."}));
    EXPECT_EQ(work.Count("Clienti"), 3);
    EXPECT_GT(work.Scalar("SELECT OID FROM Clienti WHERE Codice = 'X1'"), customer);
}

TEST_F(ImportTest, NothingToImportAStopAndABadFileLeaveTheArchiveAsItWas) {
    const QString before = Dump(work.Path());
    TempArchive empty;
    empty.Create();
    empty.Close();
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(Import(empty.Path()));
    EXPECT_EQ(prompter.LastMessage(), (PromptMessage{"L'archivio non contiene dati da importare",
                                                     "Tessarin", PromptIcon::Information}));

    progress.StopAt = 2;
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes);
    EXPECT_FALSE(Import(other.Path()));

    Write(backupDir.filePath("garbage.mdb"), "not an archive");
    prompter.Answer(PromptAnswer::No);
    EXPECT_FALSE(Import(backupDir.filePath("garbage.mdb")));
    EXPECT_EQ(prompter.LastMessage().Text,
              "Impossibile importare i dati ...\r\rVisualizzare dettagli ?");
    EXPECT_EQ(Dump(work.Path()), before);
    EXPECT_FALSE(progress.Loaded);
}

// --- conversion ---

class ConversionTest : public MaintenanceTest {
protected:
    ConversionTest() {
        work.Add("Articoli", {{"Codice", "A"}, {"Importo", AmountUnits(193627000)}});
        work.Add("Articoli", {{"Codice", "B"}, {"Importo", AmountUnits(-29045)}});
    }
    bool Convert() {
        return modCurrencyConversion::ConvertArchive(*work.db, settings, progress, nullptr);
    }
    QString Amounts() {
        return work.Text("SELECT group_concat(Importo) FROM (SELECT Importo FROM Articoli "
                         "WHERE Codice IN ('A', 'B') ORDER BY Codice)") +
               " " + work.Text("SELECT group_concat(ValorePunto) FROM TabellaPunti");
    }
    QString Converted() const {
        return settings.ReadSetting("Configuration", "CurrencyConverted", "(none)");
    }
};

TEST_F(ConversionTest, EveryAmountIsDividedOnceConfirmedAndAgainAfterTheWarning) {
    const QString points = work.Text(
        "SELECT group_concat(CAST(round(ValorePunto / 1936.27) AS INTEGER)) FROM TabellaPunti");
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(Convert());
    EXPECT_EQ(prompter.History()[prompter.History().size() - 2].Message,
              (PromptMessage{"Confermi?", "Conversione Valuta", PromptIcon::None,
                             PromptButtons::YesNo, PromptAnswer::Yes}));
    EXPECT_EQ(prompter.LastMessage().Text, "Conversione terminata.");
    EXPECT_EQ(progress.Texts, QStringList{"Conversione archivio in Euro..."});
    // 19 362,70 lire are 10 euro; -2,9045 lire round to -0,0015 euro.
    EXPECT_EQ(Amounts(), "100000,-15 " + points);
    EXPECT_EQ(Converted(), "True");

    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    ASSERT_TRUE(Convert());
    EXPECT_EQ(prompter.History()[prompter.History().size() - 2].Message,
              (PromptMessage{"CONVERSIONE GIA' EFFETTUATA!!!\r\rConfermi?", "Conversione Valuta",
                             PromptIcon::None, PromptButtons::YesNo, PromptAnswer::No}));
    EXPECT_EQ(work.Text("SELECT Importo FROM Articoli WHERE Codice = 'A'"), "52");
}

TEST_F(ConversionTest, AStopOrANoChangesNothingAndTheStoredFlagIsReadLeniently) {
    const QString before = Amounts();
    progress.StopAt = 4; // some tables converted, then stopped: all rolled back
    prompter.Answer(PromptAnswer::Yes);
    EXPECT_FALSE(Convert());
    prompter.Answer(PromptAnswer::No);
    EXPECT_FALSE(Convert());
    EXPECT_EQ(Amounts(), before);
    EXPECT_EQ(Converted(), "(none)");

    // "no" in any case with blanks counts as not converted; empty or unknown as converted.
    for (const auto& [stored, warned] :
         {std::pair{" no ", false}, {"Falso", false}, {"", true}, {"forse", true}}) {
        settings.WriteSetting("Configuration", "CurrencyConverted", stored);
        prompter.Answer(PromptAnswer::No);
        EXPECT_FALSE(Convert());
        EXPECT_EQ(prompter.LastMessage().Text.startsWith("CONVERSIONE"), warned) << stored;
    }
}

// --- repair ---

class RepairTest : public MaintenanceTest {
protected:
    void Repair(const QString& workDir) {
        modDatabaseRepair::RepairDatabase(nullptr, workDir, backupDir.path(), work.Engine(),
                                          progress, [this] {
                                              ++releases;
                                              session.Release();
                                              work.Close();
                                          });
    }
    QStringList Kept(const QString& folder) const {
        return QDir(folder).entryList({"Tessarin.mdb.*"}, QDir::Files);
    }
    int releases = 0;
};

TEST_F(RepairTest, TheArchiveIsReplacedByASoundCopyAndTheOriginalKept) {
    const QString folder = settings.RootDir, before = Dump(work.Path());
    Write(work.Path() + ".NEW", "left by an interrupted run");
    QFile::copy(work.Path(), BackupFile());
    const QString backup = Dump(BackupFile());

    // No to the backup question: only the working archive is recovered.
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::No).Answer(PromptAnswer::Ok);
    Repair(folder);
    EXPECT_EQ(
        prompter.Messages(),
        (QStringList{"Questa funzione tenta il recupero del database...\r\rContinuare ?",
                     "Vuoi recuperare anche il Database di Backup ?", "Recupero completato"}));
    EXPECT_EQ(prompter.Beeps(), 1);
    EXPECT_EQ(progress.Texts, (QStringList{"Controlli...", "Ripristino Database in corso..."}));
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(Dump(work.Path()), before);
    EXPECT_FALSE(QFile::exists(work.Path() + ".NEW"));
    EXPECT_EQ(Kept(folder), QStringList{"Tessarin.mdb.20240315-103000"});
    EXPECT_EQ(Kept(backupDir.path()), QStringList());
    EXPECT_EQ(Dump(BackupFile()), backup);
}

TEST_F(RepairTest, ADamagedTableIsSalvagedAndTheOtherTablesKeepEveryRow) {
    for (int i = 0; i < 400; ++i)
        work.Add("Clienti", {{"Codice", QString("K%1").arg(i)}, {"Note", QString(200, 'x')}});
    work.Add("Articoli", {{"Codice", "A1"}});
    const qint64 articles = work.Count("Articoli");
    // Garbage over every page of the customers' table.
    const int pageSize = int(work.Scalar("PRAGMA page_size"));
    const QString pages =
        work.Text("SELECT group_concat(pageno) FROM dbstat WHERE name = 'Clienti'");
    session.Release();
    work.Close();
    QFile file(work.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    for (const QString& page : pages.split(',')) {
        file.seek((page.toLongLong() - 1) * pageSize);
        file.write(QByteArray(pageSize, char(0x5a)));
    }
    file.close();

    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok).Answer(PromptAnswer::Ok);
    Repair(settings.RootDir);
    const QString report = prompter.Messages().value(1);
    EXPECT_TRUE(report.startsWith("Archivio danneggiato: righe recuperate per tabella\r\r"))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QString("Articoli: %1\r").arg(articles))) << report.toStdString();
    EXPECT_EQ(prompter.LastMessage().Text, "Recupero completato");
    work.Reopen();
    EXPECT_EQ(work.Count("Articoli"), articles);
    EXPECT_EQ(work.Text("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Kept(settings.RootDir).size(), 1);
}

TEST_F(RepairTest, WithoutArchivesOnlyTheChecksAreShownAndAnUnreadableFileIsKept) {
    QTemporaryDir none;
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    Repair(none.path());
    EXPECT_EQ(prompter.LastMessage().Text, "Recupero completato");
    EXPECT_EQ(progress.Texts, QStringList{"Controlli..."});
    EXPECT_EQ(releases, 0);

    Write(none.filePath("Tessarin.mdb"), QByteArray(8192, '\x5a'));
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Ok);
    Repair(none.path());
    EXPECT_EQ(prompter.LastMessage().Buttons, PromptButtons::Ok);
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::None);
    EXPECT_EQ(QFileInfo(none.filePath("Tessarin.mdb")).size(), 8192);
    EXPECT_EQ(QDir(none.path()).entryList(QDir::Files), QStringList{"Tessarin.mdb"});
    EXPECT_FALSE(progress.Loaded);
}

} // namespace
