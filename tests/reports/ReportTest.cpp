#include "ReportLayout.h"
#include "ReportRenderer.h"
#include "TempArchive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
// The text of a PDF as pdftotext lays it out.
QString PdfText(const QString& path) {
    QProcess p;
    p.start("pdftotext", {"-layout", path, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Stops the report after a number of rows.
struct StopAfter : itfProgress {
    qint64 limit;
    qint64 seen = 0;
    explicit StopAfter(qint64 n) : limit(n) {}
    void OnStart(const QString&, qint64) override {}
    void OnProgress(const QString&, qint64 position, bool& go) override {
        seen = position;
        go = position < limit;
    }
    void OnEnd(const QString&) override {}
    void OnStopped(bool&) override {}
};

struct ReportTest : testing::Test {
    TempArchive archive;
    void SetUp() override { archive.Create(); }

    QString Export(const ReportLayout& layout, const QString& table, itfProgress* progress = {}) {
        auto rows = archive.Open(table);
        const QString path = archive.File(layout.Name + ".pdf");
        ReportRenderer(layout, *rows).ExportPdf(path, progress);
        return PdfText(path);
    }
};

TEST_F(ReportTest, CustomerListPrintsCaptionsRowsAsTextAndTheCount) {
    archive.Add("Clienti", {{"Codice", "C001"},
                            {"Cognome", "<script>"},
                            {"Punti", 1234},
                            {"CodiceFiscale", "RSSMRA80A01H501U"}});
    archive.Add("Clienti", {{"Codice", "C002"}, {"Cognome", "Bianchi"}, {"Punti", 7}});
    const QString text = Export(drClienti("Clienti"), "Clienti");
    for (const char* expected :
         {"Clienti", "Codice", "Descrizione", "Punti", "Codice Fiscale", "<script>", "1234",
          "RSSMRA80A01H501U", "Bianchi", "Numero dei clienti 2", "Pag. 1 / 1",
          "Stampato il 15/03/2024 10:30"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
}

TEST_F(ReportTest, ArticleListShowsTheSupplierByItsText) {
    const OID supplier = archive.Add("Fornitori", {{"Codice", "F1"}, {"Descrizione", "Alpitour"}});
    archive.Add("Articoli", {{"Codice", "A1"},
                             {"Descrizione", "Crociera"},
                             {"Importo", Amount(1500000)},
                             {"Fornitore", supplier}});
    const QString text = Export(drArticoli("Articoli"), "Articoli");
    for (const char* expected :
         {"Fornitore", "Crociera", "1.500.000,00", "Alpitour", "Numero degli articoli: 1"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
}

TEST_F(ReportTest, SoldArticlesShowTheParentArticleAndTheSumOfAmounts) {
    const OID supplier = archive.Add("Fornitori", {{"Codice", "F1"}, {"Descrizione", "Alpitour"}});
    const OID article = archive.Add("Articoli", {{"Codice", "A1"},
                                                 {"Descrizione", "Crociera"},
                                                 {"Importo", Amount(1500000)},
                                                 {"Fornitore", supplier}});
    auto sales = archive.Open("OperazioniVendite");
    sales->AddRow({{"Importo", Amount(0)}});
    auto lines = sales->GetReference("Articoli");
    lines->AddRow({{"OID_Articoli", article}, {"Quantita", 2}, {"PuntiAssegnati", 30}});
    lines->AddRow({{"OID_Articoli", article}, {"ImportoVendita", Amount(250000)}});
    const QString text = Export(drArticoliVenduti("Articoli Venduti"), "ArticoliVenduti");
    for (const char* expected :
         {"Articoli Venduti", "Quantita'", "Punti attribuiti", "Crociera", "Alpitour",
          "3.000.000,00", "15/03/2024", "Numero degli articoli: 2", "3.250.000,00"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
}

TEST_F(ReportTest, SalesListSpansTwoPagesWithAmountsDatesAndTotals) {
    const OID customer = archive.Add("Clienti", {{"Codice", "C001"}, {"Cognome", "Rossi"}});
    const int sales = 80;
    for (int i = 0; i < sales; ++i)
        archive.Add("OperazioniVendite", {{"Cliente", customer},
                                          {"Data", QDateTime(QDate(2024, 2, 3), QTime(9, 0))},
                                          {"Importo", AmountUnits(12345000)}, // 1.234,50
                                          {"RiferimentoVoucher", "V-77"},
                                          {"PuntiAssegnati", 12}});
    auto rows = archive.Open("OperazioniVendite");
    const ReportLayout layout = drVendite("Lista Operazioni");
    const QString text = Export(layout, "OperazioniVendite");
    for (const char* expected :
         {"Lista Operazioni", "Data", "Importo", "Cliente", "Rif. Voucher", "Bonus", "Spesi",
          "03/02/2024", "1.234,50", "Rossi", "V-77", "Pag. 1 / 2", "Pag. 2 / 2",
          "Importo Totale: 98.760,00", "Numero delle vendite conteggiate: 80"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains("/ 3"));

    // Stopping ends the report with the engine's stop and leaves no file.
    const QString path = archive.File("stopped.pdf");
    StopAfter stop(10);
    EXPECT_EQ(Raised([&] { ReportRenderer(layout, *rows).ExportPdf(path, &stop); }).Code(),
              DbmsError::Stopped);
    EXPECT_EQ(stop.seen, 10);
    EXPECT_EQ(QDir(archive.File("")).entryList({"stopped*"}, QDir::Files).size(), 0);
}

TEST_F(ReportTest, UnwritableFolderIsReportedAndLeavesNoFile) {
    // A folder that is really a file fails for root too; a read-only folder only for others.
    QFile blocker(archive.File("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QDir(archive.File("")).mkdir("locked");
    QFile::setPermissions(archive.File("locked"), QFile::ReadOwner | QFile::ExeOwner);
    auto rows = archive.Open("Clienti");
    for (const QString& folder : {archive.File("blocker"), archive.File("locked")}) {
        const QString path = folder + "/Clienti.pdf";
        const DbmsError e =
            Raised([&] { ReportRenderer(drClienti("Clienti"), *rows).ExportPdf(path); });
        if (e.Code() == 0 && folder.endsWith("locked")) continue; // root writes anywhere
        EXPECT_EQ(e.Code(), DbmsError::FileOpen) << folder.toStdString();
        EXPECT_TRUE(e.Description().startsWith("Impossibile scrivere il file") &&
                    e.Description().contains("Clienti.pdf"))
            << e.Description().toStdString();
        EXPECT_FALSE(QFile::exists(path));
    }
    QFile::setPermissions(archive.File("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ReportLayoutTest, ChoiceByTableAndExactTitle) {
    const struct {
        const char* table;
        const char* title;
        const char* name;
        bool built;
    } cases[] = {
        {"Clienti", "Clienti", "drClienti", true},
        {"Clienti", "Situazione Cliente", "drSituazioneClienti", false},
        {"Clienti", "situazione cliente", "drClienti", true},
        {"Articoli", "Articoli", "drArticoli", true},
        {"ArticoliVenduti", "Articoli Venduti", "drArticoliVenduti", true},
        {"OperazioniVendite", "Lista Operazioni", "drVendite", true},
        {"OperazioniVendite", "Resoconto Vendite", "drResoconto", false},
        {"OperazioniVendite", "Resoconto Bonus", "drResocontoBonus", false},
        {"OperazioniVendite", "Resoconto Premi", "drResocontoPremi", false},
        {"OperazioniVendite", "Vendite del mese", "", false},
        {"Fornitori", "Fornitori", "", false},
    };
    for (const auto& c : cases) {
        const ReportChoice choice = ChooseReportLayout(c.table, c.title);
        EXPECT_EQ(choice.Name, c.name) << c.table << " / " << c.title;
        EXPECT_EQ(choice.Layout.has_value(), c.built) << c.name;
        if (choice.Layout) {
            EXPECT_EQ(choice.Layout->Name, c.name);
            EXPECT_EQ(choice.Layout->Title, c.title);
        }
    }
    const auto captions = [](const ReportLayout& l) {
        QStringList out;
        for (const auto& c : l.Columns)
            out << c.Caption + "=" + c.Field;
        for (const auto& t : l.Totals)
            out << t.Caption;
        return out.join('|');
    };
    EXPECT_EQ(captions(drArticoli("x")), "Codice=Codice|Descrizione=Descrizione|Importo=Importo|"
                                         "Fornitore=Fornitore|Numero degli articoli:");
    EXPECT_EQ(captions(drClienti("x")), "Codice=Codice|Descrizione=Descrizione|Punti=Punti|"
                                        "Codice Fiscale=CodiceFiscale|Numero dei clienti");
    EXPECT_EQ(captions(drArticoliVenduti("x")),
              "Descrizione=Descrizione|Quantita'=Quantita|Importo=ImportoVendita|Data=Data|"
              "Fornitore=Fornitore|Punti attribuiti=PuntiAssegnati|Numero degli articoli:|");
    EXPECT_EQ(captions(drVendite("x")),
              "Data=Data|Importo=Importo|Cliente=Cliente|Rif. Voucher=RiferimentoVoucher|"
              "Punti=PuntiAssegnati|Bonus=PuntiBonus|Spesi=PuntiSpesi|Importo Totale:|"
              "Numero delle vendite conteggiate:");
}
} // namespace
