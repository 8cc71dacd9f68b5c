// tessarin-gen run as a program, its archive read back with the sqlite3 command-line tool:
// the file is sound and every stored total agrees with the rows it sums.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProcessRun {
    int ExitCode = -1;
    QString Out, Err;
};

ProcessRun Start(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ProcessRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.Err = program + " did not finish";
        return r;
    }
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ProcessRun Generate(const QString& dir, QStringList args) {
    args << dir;
    return Start(TESSARIN_GEN_PATH, args);
}

class ArchiveGeneratorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        s_run = new ProcessRun(
            Generate(s_dir->path(), {"--customers", "200", "--sales", "300", "--lines", "3",
                                     "--articles", "60", "--prizes", "12", "--bonuses", "8"}));
    }
    static void TearDownTestSuite() {
        delete s_run;
        delete s_dir;
    }
    void SetUp() override { ASSERT_EQ(s_run->ExitCode, 0) << s_run->Err.toStdString(); }

    static QString Archive() { return s_dir->filePath("Tessarin.mdb"); }
    // One value from the archive, through the sqlite3 command-line tool.
    static QString Sql(const QString& query) {
        const ProcessRun r = Start("sqlite3", {"-batch", "-noheader", Archive(), query});
        EXPECT_EQ(r.ExitCode, 0) << query.toStdString() << '\n' << r.Err.toStdString();
        return r.Out.trimmed();
    }
    static qint64 Count(const QString& query) { return Sql(query).toLongLong(); }

    static QTemporaryDir* s_dir;
    static ProcessRun* s_run;
};
QTemporaryDir* ArchiveGeneratorTest::s_dir = nullptr;
ProcessRun* ArchiveGeneratorTest::s_run = nullptr;

TEST_F(ArchiveGeneratorTest, ArchiveIsSoundAndHoldsWhatWasAskedFor) {
    EXPECT_EQ(Sql("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                    "('TipiPagamento','TabellaPunti','Fornitori','Articoli','ArticoliVenduti',"
                    "'TabellaPremi','PremiAssegnati','TabellaBonus','BonusAssegnati','Clienti',"
                    "'Pagamenti','OperazioniVendite')"),
              12);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Clienti"), 200);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM OperazioniVendite"), 300);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Articoli"), 60);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM TipiPagamento"), 5);
    EXPECT_GT(Count("SELECT COUNT(*) FROM ArticoliVenduti"), 300);
    EXPECT_GT(Count("SELECT COUNT(*) FROM PremiAssegnati"), 0);
    EXPECT_GT(Count("SELECT COUNT(*) FROM BonusAssegnati"), 0);
    // Customer codes are unique card numbers; every sale names an existing customer.
    EXPECT_EQ(Count("SELECT COUNT(DISTINCT Codice) FROM Clienti"), 200);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM OperazioniVendite WHERE OID_Cliente NOT IN "
                    "(SELECT OID FROM Clienti)"),
              0);
    // Over the last three years, none in the future.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM OperazioniVendite WHERE Data < "
                    "datetime('now', 'localtime', '-3 years', '-2 days') OR "
                    "Data > datetime('now', 'localtime', '+1 minute')"),
              0);
    EXPECT_NE(Sql("SELECT substr(MIN(Data), 1, 4) FROM OperazioniVendite"),
              Sql("SELECT substr(MAX(Data), 1, 4) FROM OperazioniVendite"));
    EXPECT_TRUE(s_run->Out.contains("Made ")) << s_run->Out.toStdString();
}

TEST_F(ArchiveGeneratorTest, LinesCarryTheAmountsAndPointsTheRulesGive) {
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM ArticoliVenduti v JOIN Articoli a ON a.OID = v.OID_Articoli "
              "WHERE v.ImportoVendita IS NOT a.Importo * v.Quantita"),
        0);
    // Amounts are positive here, so integer division is rounding down.
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM ArticoliVenduti v JOIN Articoli a ON a.OID = v.OID_Articoli "
              "JOIN TabellaPunti p ON p.OID = a.OID_Punti "
              "WHERE v.PuntiAssegnati IS NOT (CASE WHEN p.ValorePunto > 0 "
              "THEN v.ImportoVendita / p.ValorePunto ELSE 0 END)"),
        0);
    EXPECT_GT(Count("SELECT SUM(PuntiAssegnati) FROM ArticoliVenduti"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM BonusAssegnati b JOIN TabellaBonus t ON t.OID = "
                    "b.OID_TabellaBonus "
                    "WHERE b.PuntiAssegnati IS NOT t.Punti * b.Quantita"),
              0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM PremiAssegnati r JOIN TabellaPremi t ON t.OID = "
                    "r.OID_TabellaPremi "
                    "WHERE r.PuntiSpesi IS NOT t.PuntiNecessari * r.Quantita"),
              0);
}

TEST_F(ArchiveGeneratorTest, SaleTotalsEqualTheSumsOfTheirRows) {
    auto mismatches = [](const QString& total, const QString& collection, const QString& table,
                         const QString& field) {
        return Count(QString("SELECT COUNT(*) FROM OperazioniVendite s WHERE s.%1 IS NOT "
                             "(SELECT TOTAL(r.%4) FROM OperazioniVendite__%2 l JOIN %3 r "
                             "ON r.OID = l.OID_Item WHERE l.OID_Owner = s.OID)")
                         .arg(total, collection, table, field));
    };
    EXPECT_EQ(mismatches("Importo", "Articoli", "ArticoliVenduti", "ImportoVendita"), 0);
    EXPECT_EQ(mismatches("PuntiAssegnati", "Articoli", "ArticoliVenduti", "PuntiAssegnati"), 0);
    EXPECT_EQ(mismatches("PuntiBonus", "Bonus", "BonusAssegnati", "PuntiAssegnati"), 0);
    EXPECT_EQ(mismatches("PuntiSpesi", "Premi", "PremiAssegnati", "PuntiSpesi"), 0);
    // Every sale with lines was paid once, for its amount, by its customer.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM OperazioniVendite s WHERE EXISTS "
                    "(SELECT 1 FROM OperazioniVendite__Articoli WHERE OID_Owner = s.OID) AND "
                    "(SELECT COUNT(*) FROM OperazioniVendite__Pagamento l JOIN Pagamenti p "
                    "ON p.OID = l.OID_Item WHERE l.OID_Owner = s.OID AND p.Importo = s.Importo "
                    "AND p.OID_Cliente = s.OID_Cliente AND p.OID_Pagamento IS NOT NULL) <> 1"),
              0);
}

TEST_F(ArchiveGeneratorTest, CustomerBalancesFollowTheirSales) {
    EXPECT_EQ(
        Count("SELECT COUNT(*) FROM Clienti c WHERE c.Punti IS NOT "
              "(SELECT TOTAL(PuntiAssegnati + PuntiBonus - PuntiSpesi) FROM OperazioniVendite "
              "WHERE OID_Cliente = c.OID)"),
        0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Clienti WHERE Punti < 0 OR Punti > 32767"), 0);
    EXPECT_GT(Count("SELECT MAX(Punti) FROM Clienti"), 0);
}

TEST(ArchiveGeneratorRunTest, SameSeedMakesTheSameRows) {
    QTemporaryDir one, two;
    const QStringList args{"--customers", "30", "--sales", "20", "--articles", "10", "--seed", "7"};
    ASSERT_EQ(Generate(one.path(), args).ExitCode, 0);
    ASSERT_EQ(Generate(two.path(), args).ExitCode, 0);
    const QString query =
        "SELECT group_concat(Codice || Cognome || Nome || CodiceFiscale, ';') FROM Clienti;"
        "SELECT group_concat(Codice || Descrizione || Importo, ';') FROM Articoli;";
    const ProcessRun a = Start("sqlite3", {"-batch", one.filePath("Tessarin.mdb"), query});
    const ProcessRun b = Start("sqlite3", {"-batch", two.filePath("Tessarin.mdb"), query});
    EXPECT_FALSE(a.Out.trimmed().isEmpty());
    EXPECT_EQ(a.Out, b.Out);
}

TEST(ArchiveGeneratorRunTest, ARunKilledHalfWayLeavesNothingInTheWayOfTheNext) {
    QTemporaryDir dir;
    QProcess run;
    run.start(TESSARIN_GEN_PATH, {"--customers", "200000", "--sales", "200000", dir.path()});
    // Killed once the archive has its structure and default rows, while the rows come in.
    QString out;
    while (!out.contains("default rows") && run.waitForReadyRead(60000))
        out += QString::fromUtf8(run.readAllStandardOutput());
    ASSERT_TRUE(out.contains("default rows")) << out.toStdString();
    run.kill();
    run.waitForFinished();
    EXPECT_FALSE(QFile::exists(dir.filePath("Tessarin.mdb")));

    ASSERT_EQ(Generate(dir.path(), {"--customers", "5", "--sales", "5"}).ExitCode, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Tessarin.mdb"});
}

TEST(ArchiveGeneratorRunTest, RefusesToOverwriteAnArchiveOrToRunOnBadNumbers) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Tessarin.mdb");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    const ProcessRun refused = Generate(dir.path(), {"--customers", "5", "--sales", "5"});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_TRUE(refused.Err.contains("already exists")) << refused.Err.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "precious");

    QTemporaryDir empty;
    const ProcessRun bad = Generate(empty.path(), {"--customers", "many"});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_TRUE(bad.Err.contains("--customers")) << bad.Err.toStdString();
    EXPECT_FALSE(QFile::exists(empty.filePath("Tessarin.mdb")));
}

} // namespace
