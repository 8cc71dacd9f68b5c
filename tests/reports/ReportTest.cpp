#include "ReportGroupRenderer.h"
#include "ReportLayout.h"
#include "ReportRenderer.h"
#include "TempArchive.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
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
    // Sales of different heights, over more than one page: sale i has i % 3 articles, one
    // bonus and one prize. Returns the number of articles sold.
    int AddSummarySales(int count) {
        const OID customer = archive.Add("Clienti", {{"Codice", "C001"}, {"Cognome", "Rossi"}});
        const OID article = archive.Add(
            "Articoli",
            {{"Codice", "A1"}, {"Descrizione", "Crociera"}, {"Importo", Amount(1500000)}});
        const OID bonus = archive.Add(
            "TabellaBonus", {{"Descrizione", "Estate"}, {"Punti", 50}, {"Note", "luglio"}});
        const OID prize = archive.Add(
            "TabellaPremi", {{"Descrizione", "Zaino"}, {"PuntiNecessari", 300}, {"Note", "blu"}});
        int articles = 0;
        auto sales = archive.Open("OperazioniVendite");
        for (int i = 0; i < count; ++i) {
            const OID sale =
                sales->AddRow({{"Cliente", customer},
                               {"Data", QDateTime(QDate(2024, 2, 1 + i % 28), QTime(9, 0))},
                               {"Importo", Amount(1000000)},
                               {"RiferimentoVoucher", QString("V-%1").arg(i)}});
            sales->Locate(sale);
            for (int a = 0; a < i % 3; ++a, ++articles)
                sales->GetReference("Articoli")
                    ->AddRow({{"OID_Articoli", article}, {"Quantita", 2}});
            sales->GetReference("Bonus")->AddRow({{"OID_TabellaBonus", bonus}, {"Quantita", 2}});
            sales->GetReference("Premi")->AddRow({{"OID_TabellaPremi", prize}});
        }
        return articles;
    }
    QString Export(const ReportGroupLayout& layout, const QString& table,
                   const QString& agency = {}, const QString& web = {}) {
        auto rows = archive.Open(table);
        const QString path = archive.File(layout.Name + ".pdf");
        ReportGroupRenderer(layout, *rows, agency, web).ExportPdf(path);
        return PdfText(path);
    }
};

// Index of the first line from `from` on that holds every text, -1 when none does.
int LineWith(const QStringList& lines, const QStringList& texts, int from = 0) {
    for (int i = std::max(0, from); i < lines.size(); ++i)
        if (std::all_of(texts.begin(), texts.end(),
                        [&](const QString& t) { return lines[i].contains(t); }))
            return i;
    return -1;
}

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

TEST_F(ReportTest, SummariesShowEachSaleHeadingWithItsOwnRowsUnderIt) {
    const int count = 40;
    const int articles = AddSummarySales(count);
    const struct {
        ReportGroupLayout layout;
        QStringList detail; // the first sale's first row, under the detail captions
        const char* total;
    } cases[] = {
        {drResoconto("Resoconto Vendite"),
         {"A1", "Crociera", "3.000.000,00", "2"},
         "Importo Totale: 40.000.000,00"},
        {drResocontoBonus("Resoconto Bonus"), {"Estate", "2", "100", "luglio"}, nullptr},
        {drResocontoPremi("Resoconto Premi"), {"Zaino", "1", "300", "blu"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout.Name.toStdString());
        const QString text = Export(c.layout, "OperazioniVendite");
        const QStringList lines = text.split('\n');
        EXPECT_TRUE(text.contains(c.layout.Title) && text.contains("AL: 15/03/2024"));
        // The sale with articles: heading captions, its values, detail captions, its rows.
        const QString first = c.layout.Name == "drResoconto" ? "V-1" : "V-0";
        const int values = LineWith(lines, {first, "Rossi", "1.000.000,00"});
        ASSERT_GT(values, 0) << text.toStdString();
        EXPECT_TRUE(
            LineWith(lines,
                     {"DATA", "IMPORTO", "CLIENTE", "RIF.VOUCHER", "PUNTI", "BONUS", "SPESI"},
                     values - 1) == values - 1);
        QStringList captions;
        for (const auto& d : c.layout.Details)
            captions << d.Caption.trimmed();
        EXPECT_EQ(LineWith(lines, captions, values + 1), values + 1) << text.toStdString();
        EXPECT_EQ(LineWith(lines, c.detail, values + 2), values + 2) << text.toStdString();
        EXPECT_EQ(text.count("RIF.VOUCHER"), count);
        EXPECT_EQ(text.count(c.detail[0] == "A1" ? "Crociera" : c.detail[0]),
                  c.detail[0] == "A1" ? articles : count);
        if (c.total)
            EXPECT_TRUE(text.contains(c.total)) << text.toStdString();
        else
            EXPECT_FALSE(text.contains("Importo Totale"));
        // The measuring pass and the drawing agree on the page count.
        QPdfWriter probe(archive.File("probe.pdf"));
        probe.setResolution(300);
        probe.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
        auto rows = archive.Open("OperazioniVendite");
        const int pages = ReportGroupRenderer(c.layout, *rows).CountPages(probe);
        EXPECT_GT(pages, 1);
        EXPECT_TRUE(text.contains(QString("Pag. %1 / %1").arg(pages)));
        EXPECT_FALSE(text.contains(QString("Pag. %1 ").arg(pages + 1)));
    }
}

TEST_F(ReportTest, CustomerCardsCloseWithTheAgencyLine) {
    archive.Add("Clienti", {{"Codice", "C001"},
                            {"Titolo", "Sig."},
                            {"Cognome", "Rossi"},
                            {"Indirizzo", "Via Roma 1"},
                            {"CAP", 100},
                            {"Citta", "Roma"},
                            {"Provincia", "RM"},
                            {"Punti", 1234}});
    archive.Add("Clienti", {{"Codice", "C002"}, {"Cognome", "Bianchi"}});
    const QString text = Export(drSituazioneClienti("Situazione Cliente"), "Clienti",
                                "Viaggi Tessarin", "www.tessarin.it");
    const QStringList lines = text.split('\n');
    const int name = LineWith(lines, {"Sig.", "Rossi"});
    ASSERT_GT(name, 0) << text.toStdString();
    // The card's lines in order, close together.
    int at = name;
    for (const char* line : {"Via Roma 1", "00100 Roma (RM)", "Codice Carta: C001",
                             "Punteggio Attuale: 1234", "Viaggi Tessarin - www.tessarin.it"}) {
        const int next = LineWith(lines, {line}, at + 1);
        EXPECT_TRUE(next > at && next <= at + 3) << line << "\n" << text.toStdString();
        at = next;
    }
    for (const char* expected : {"Situazione Cliente", "Codice Carta: C002", "Pag. 1 / 1"})
        EXPECT_TRUE(text.contains(expected)) << expected;
    EXPECT_EQ(text.count("Viaggi Tessarin"), 2);
    EXPECT_FALSE(text.contains("AL:"));
    // Stopping ends the cards with the engine's stop and leaves no file.
    auto rows = archive.Open("Clienti");
    StopAfter stop(1);
    const QString path = archive.File("cards.pdf");
    EXPECT_EQ(Raised([&] {
                  ReportGroupRenderer(drSituazioneClienti("x"), *rows).ExportPdf(path, &stop);
              }).Code(),
              DbmsError::Stopped);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(ReportGroupRenderer::AgencyLine("", ""), "");
    EXPECT_EQ(ReportGroupRenderer::AgencyLine(" ", "www.x.it"), "www.x.it");
}

TEST_F(ReportTest, SalesListSpansThreePagesWithAmountsDatesAndTotals) {
    const OID customer = archive.Add("Clienti", {{"Codice", "C001"}, {"Cognome", "Rossi"}});
    const int sales = 130;
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
          "03/02/2024", "1.234,50", "Rossi", "V-77", "Pag. 1 / 3", "Pag. 2 / 3", "Pag. 3 / 3",
          "Importo Totale: 160.485,00", "Numero delle vendite conteggiate: 130"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
    EXPECT_EQ(text.count("Rossi"), sales);
    EXPECT_FALSE(text.contains("/ 4"));
    // A range chosen in the print dialog: those pages only, numbered as in the whole report.
    {
        QPdfWriter pdf(archive.File("range.pdf"));
        pdf.setPageLayout(ReportDocument::DefaultPageLayout());
        EXPECT_EQ(ReportRenderer(layout, *rows).Render(pdf, nullptr, 2, 3), 3);
    }
    const QString range = PdfText(archive.File("range.pdf"));
    EXPECT_TRUE(range.contains("Pag. 2 / 3") && range.contains("Pag. 3 / 3") &&
                range.contains("Numero delle vendite conteggiate: 130"))
        << range.toStdString();
    EXPECT_FALSE(range.contains("Pag. 1 / 3") || range.contains("Lista Operazioni"));

    // Stopping ends the report with the engine's stop and leaves no file.
    const QString path = archive.File("stopped.pdf");
    StopAfter stop(10);
    EXPECT_EQ(Raised([&] { ReportRenderer(layout, *rows).ExportPdf(path, &stop); }).Code(),
              DbmsError::Stopped);
    EXPECT_EQ(stop.seen, 10);
    EXPECT_EQ(QDir(archive.File("")).entryList({"stopped*"}, QDir::Files).size(), 0);
}

// The preview draws a page alone, starting where the layout pass found it; it must be the very
// page the whole run (printing, PDF) draws after every page before it.
TEST_F(ReportTest, EveryPageDrawnAloneIsThePageTheWholeRunDraws) {
    AddSummarySales(70);
    for (int i = 0; i < 60; ++i)
        archive.Add("Clienti", {{"Codice", QString("K%1").arg(i)}, {"Cognome", "Verdi"}});
    const ReportLayout list = drVendite("Lista Operazioni");
    const ReportGroupLayout summary = drResoconto("Resoconto Vendite"),
                            cards = drSituazioneClienti("Situazione Cliente");
    auto sales = archive.Open("OperazioniVendite"), customers = archive.Open("Clienti");
    // The summary's own view counts each sale's articles in its rows, which the layout pass
    // reads instead of the articles.
    DbmsOpenOptions options;
    options.Summary = true;
    options.Detail = "Articoli";
    auto summarySales =
        archive.db->Item("OperazioniVendite")->OpenDataSource(archive.storage, options);
    ReportRenderer listReport(list, *sales);
    ReportGroupRenderer summaryReport(summary, *sales), viewReport(summary, *summarySales),
        cardReport(cards, *customers, "Agenzia");
    const qreal dpi = 30;
    for (ReportDocument* report : std::initializer_list<ReportDocument*>{
             &listReport, &summaryReport, &viewReport, &cardReport}) {
        SCOPED_TRACE(report->Title().toStdString());
        const int pages = report->Paginate(ReportDocument::DefaultPageLayout());
        EXPECT_GT(pages, 1);
        QImage run = report->PageImage(1, dpi);
        run.fill(Qt::white);
        QPainter p(&run);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(dpi / 72, dpi / 72);
        p.translate(report->PageLayout().paintRect(QPageLayout::Point).topLeft());
        int page = 1;
        const auto compare = [&] {
            EXPECT_TRUE(run == report->PageImage(page, dpi)) << "page " << page;
        };
        report->Draw(p, 1, pages, [&] {
            compare();
            ++page;
            p.save();
            p.resetTransform();
            p.fillRect(run.rect(), Qt::white);
            p.restore();
        });
        compare();
        EXPECT_EQ(page, pages);
    }
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
        bool group = false;
    } cases[] = {
        {"Clienti", "Clienti", "drClienti", true},
        {"Clienti", "Situazione Cliente", "drSituazioneClienti", false, true},
        {"Clienti", "situazione cliente", "drClienti", true},
        {"Articoli", "Articoli", "drArticoli", true},
        {"ArticoliVenduti", "Articoli Venduti", "drArticoliVenduti", true},
        {"OperazioniVendite", "Lista Operazioni", "drVendite", true},
        {"OperazioniVendite", "Resoconto Vendite", "drResoconto", false, true},
        {"OperazioniVendite", "Resoconto Bonus", "drResocontoBonus", false, true},
        {"OperazioniVendite", "Resoconto Premi", "drResocontoPremi", false, true},
        {"OperazioniVendite", "Vendite del mese", "", false},
        {"Fornitori", "Fornitori", "", false},
    };
    for (const auto& c : cases) {
        const ReportChoice choice = ChooseReportLayout(c.table, c.title);
        EXPECT_EQ(choice.Name, c.name) << c.table << " / " << c.title;
        EXPECT_EQ(choice.Layout.has_value(), c.built) << c.name;
        EXPECT_EQ(choice.Group.has_value(), c.group) << c.name;
        if (choice.Group) {
            EXPECT_EQ(choice.Group->Name + choice.Group->Title, c.name + QString(c.title));
        }
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
