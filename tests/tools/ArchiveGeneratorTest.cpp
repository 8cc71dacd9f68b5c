#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct ProcessRun {
    int ExitCode = -1;
    QString Out, Err;
};

ProcessRun Start(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return p.kill(), p.waitForFinished(), ProcessRun{-1, {}, program + " did not finish"};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

ProcessRun Generate(const QString& dir, QStringList args) {
    return Start(TESSARIN_GEN_PATH, args << dir);
}

// One archive made once for the suite, read back through the sqlite3 tool.
class ArchiveGeneratorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        run = Generate(dir.path(), {"--customers", "200", "--sales", "300", "--lines", "3",
                                    "--articles", "60", "--prizes", "12", "--bonuses", "8"});
    }
    void SetUp() override { ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString(); }
    static QString Sql(const QString& query) {
        const ProcessRun r =
            Start("sqlite3", {"-batch", "-noheader", dir.filePath("Tessarin.mdb"), query});
        EXPECT_EQ(r.ExitCode, 0) << query.toStdString() << '\n' << r.Err.toStdString();
        return r.Out.trimmed();
    }

    static inline QTemporaryDir dir;
    static inline ProcessRun run;
};

TEST_F(ArchiveGeneratorTest,
       ArchiveIsSoundHoldsWhatWasAskedForAndEveryStoredValueAgreesWithTheRules) {
    EXPECT_EQ(Sql("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Sql("SELECT (SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                  "('TipiPagamento','TabellaPunti','Fornitori','Articoli','ArticoliVenduti',"
                  "'TabellaPremi','PremiAssegnati','TabellaBonus','BonusAssegnati','Clienti',"
                  "'Pagamenti','OperazioniVendite')), (SELECT COUNT(*) FROM Clienti), "
                  "(SELECT COUNT(DISTINCT Codice) FROM Clienti), (SELECT COUNT(*) FROM "
                  "OperazioniVendite), (SELECT COUNT(*) FROM Articoli), (SELECT COUNT(*) FROM "
                  "TipiPagamento)"),
              "12|200|200|300|60|5");
    EXPECT_GT(Sql("SELECT COUNT(*) FROM ArticoliVenduti").toLongLong(), 300);
    for (const char* some : {"COUNT(*) FROM PremiAssegnati", "COUNT(*) FROM BonusAssegnati",
                             "SUM(PuntiAssegnati) FROM ArticoliVenduti", "MAX(Punti) FROM Clienti"})
        EXPECT_GT(Sql(QString("SELECT ") + some).toLongLong(), 0) << some;
    EXPECT_NE(Sql("SELECT substr(MIN(Data), 1, 4) FROM OperazioniVendite"),
              Sql("SELECT substr(MAX(Data), 1, 4) FROM OperazioniVendite"));
    EXPECT_TRUE(run.Out.contains("Made ")) << run.Out.toStdString();
    const QString sums = "SELECT COUNT(*) FROM OperazioniVendite s WHERE s.%1 IS NOT (SELECT "
                         "TOTAL(r.%4) FROM OperazioniVendite__%2 l JOIN %3 r ON r.OID = l.OID_Item "
                         "WHERE l.OID_Owner = s.OID)";
    const QString lines = "SELECT COUNT(*) FROM ArticoliVenduti v JOIN Articoli a ON a.OID = "
                          "v.OID_Articoli ";
    const QString wrong[] = {
        "SELECT COUNT(*) FROM OperazioniVendite WHERE OID_Cliente NOT IN (SELECT OID FROM Clienti)",
        // Over the last three years, none in the future.
        "SELECT COUNT(*) FROM OperazioniVendite WHERE Data < datetime('now', 'localtime', "
        "'-3 years', '-2 days') OR Data > datetime('now', 'localtime', '+1 minute')",
        lines + "WHERE v.ImportoVendita IS NOT a.Importo * v.Quantita",
        // Amounts are positive here, so integer division is rounding down.
        lines + "JOIN TabellaPunti p ON p.OID = a.OID_Punti WHERE v.PuntiAssegnati IS NOT (CASE "
                "WHEN p.ValorePunto > 0 THEN v.ImportoVendita / p.ValorePunto ELSE 0 END)",
        "SELECT COUNT(*) FROM BonusAssegnati b JOIN TabellaBonus t ON t.OID = b.OID_TabellaBonus "
        "WHERE b.PuntiAssegnati IS NOT t.Punti * b.Quantita",
        "SELECT COUNT(*) FROM PremiAssegnati r JOIN TabellaPremi t ON t.OID = r.OID_TabellaPremi "
        "WHERE r.PuntiSpesi IS NOT t.PuntiNecessari * r.Quantita",
        sums.arg("Importo", "Articoli", "ArticoliVenduti", "ImportoVendita"),
        sums.arg("PuntiAssegnati", "Articoli", "ArticoliVenduti", "PuntiAssegnati"),
        sums.arg("PuntiBonus", "Bonus", "BonusAssegnati", "PuntiAssegnati"),
        sums.arg("PuntiSpesi", "Premi", "PremiAssegnati", "PuntiSpesi"),
        // Every sale with lines was paid once, for its amount, by its customer.
        "SELECT COUNT(*) FROM OperazioniVendite s WHERE EXISTS (SELECT 1 FROM "
        "OperazioniVendite__Articoli WHERE OID_Owner = s.OID) AND (SELECT COUNT(*) FROM "
        "OperazioniVendite__Pagamento l JOIN Pagamenti p ON p.OID = l.OID_Item WHERE l.OID_Owner "
        "= s.OID AND p.Importo = s.Importo AND p.OID_Cliente = s.OID_Cliente AND p.OID_Pagamento "
        "IS NOT NULL) <> 1",
        "SELECT COUNT(*) FROM Clienti c WHERE c.Punti IS NOT (SELECT TOTAL(PuntiAssegnati + "
        "PuntiBonus - PuntiSpesi) FROM OperazioniVendite WHERE OID_Cliente = c.OID)",
        "SELECT COUNT(*) FROM Clienti WHERE Punti < 0 OR Punti > 32767",
    };
    for (const QString& query : wrong)
        EXPECT_EQ(Sql(query), "0") << query.toStdString();
}

TEST(ArchiveGeneratorRunTest, SameSeedMakesTheSameRows) {
    QTemporaryDir one, two;
    const QStringList args{"--customers", "30", "--sales", "20", "--articles", "10", "--seed", "7"};
    const QString query =
        "SELECT group_concat(Codice || Cognome || Nome || CodiceFiscale, ';') FROM Clienti;"
        "SELECT group_concat(Codice || Descrizione || Importo, ';') FROM Articoli;";
    QStringList out;
    for (QTemporaryDir* dir : {&one, &two}) {
        ASSERT_EQ(Generate(dir->path(), args).ExitCode, 0);
        out << Start("sqlite3", {"-batch", dir->filePath("Tessarin.mdb"), query}).Out;
    }
    EXPECT_FALSE(out[0].trimmed().isEmpty());
    EXPECT_EQ(out[0], out[1]);
}

TEST(ArchiveGeneratorRunTest, AKilledRunLeavesNothingInTheWayAndNothingIsOverwritten) {
    QTemporaryDir dir, empty;
    QProcess run;
    run.start(TESSARIN_GEN_PATH, {"--customers", "200000", "--sales", "200000", dir.path()});
    // Killed while the rows come in, after the structure and default rows.
    QString out;
    while (!out.contains("default rows") && run.waitForReadyRead(60000))
        out += QString::fromUtf8(run.readAllStandardOutput());
    ASSERT_TRUE(out.contains("default rows")) << out.toStdString();
    run.kill();
    run.waitForFinished();
    EXPECT_FALSE(QFile::exists(dir.filePath("Tessarin.mdb")));
    ASSERT_EQ(Generate(dir.path(), {"--customers", "5", "--sales", "5"}).ExitCode, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Tessarin.mdb"});
    QFile f(dir.filePath("Tessarin.mdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    const ProcessRun refused = Generate(dir.path(), {"--customers", "5", "--sales", "5"});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_TRUE(refused.Err.contains("already exists")) << refused.Err.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)); // a new look: the old handle would hide a rewrite
    EXPECT_EQ(f.readAll(), before);
    const ProcessRun bad = Generate(empty.path(), {"--customers", "many"});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_TRUE(bad.Err.contains("--customers")) << bad.Err.toStdString();
    EXPECT_FALSE(QFile::exists(empty.filePath("Tessarin.mdb")));
}
