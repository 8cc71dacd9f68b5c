#include "clsSection.h"
#include "modSectionTree.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

struct ItalianLocale : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }
};

} // namespace

TEST(Sections, ListsAndSummariesReadTheirTablesAsWritten) {
    const clsSection premi = clsSection::FromKey("Resoconto Premi");
    EXPECT_EQ(premi.Table, "OperazioniVendite");
    EXPECT_EQ(premi.FixedFilter, "N_Premi > 0");
    EXPECT_EQ(premi.Order, "OperazioniVendite.OID_Cliente,OperazioniVendite.Data");
    EXPECT_EQ(premi.Detail, "Premi");
    EXPECT_TRUE(premi.Summary);
    EXPECT_EQ(premi.DateField, "Data");

    EXPECT_EQ(clsSection::FromKey("Resoconto Vendite").FixedFilter, "N_Articoli > 0");
    EXPECT_EQ(clsSection::FromKey("Resoconto Bonus").Detail, "Bonus");

    const clsSection list = clsSection::FromKey("Lista Operazioni");
    EXPECT_EQ(list.Order, "OperazioniVendite.Data, OperazioniVendite.OID_Cliente");
    EXPECT_FALSE(list.Summary);
    EXPECT_TRUE(list.FixedFilter.isEmpty());

    const clsSection customers = clsSection::FromKey("Situazione Cliente");
    EXPECT_EQ(customers.Table, "Clienti");
    EXPECT_EQ(customers.Order, "Descrizione");
    EXPECT_TRUE(customers.DateField.isEmpty());

    // Any other key is a table: dated when it is a sale table.
    EXPECT_EQ(clsSection::FromKey("Pagamenti").DateField, "Data");
    EXPECT_EQ(clsSection::FromKey("ArticoliVenduti").Table, "ArticoliVenduti");
    EXPECT_TRUE(clsSection::FromKey("Clienti").DateField.isEmpty());
    EXPECT_TRUE(clsSection::FromKey("Clienti").Order.isEmpty());
}

TEST(Sections, DateSelectionConditions) {
    EXPECT_EQ(DateSelectionCondition("Data", true, false, QDate(2005, 3, 15)),
              "Month(Data) = 3 AND Year(Data) = 2005");
    // The day's upper bound is the next day, across the year's end.
    EXPECT_EQ(DateSelectionCondition("Data", false, true, QDate(2005, 12, 31)),
              "Data >= #12/31/2005# AND Data < #01/01/2006#");
    EXPECT_TRUE(DateSelectionCondition("Data", false, false, QDate(2005, 3, 15)).isEmpty());
}

TEST_F(ItalianLocale, DateSelectionCaptions) {
    const QDate march(2005, 3, 15);
    EXPECT_EQ(MakeDateSelectionCaption("Data", true, false, march).Caption, "< marzo 2005 >");
    EXPECT_EQ(MakeDateSelectionCaption("Data Operazione", true, false, march).Caption,
              "Operazione  < marzo 2005 >");
    EXPECT_EQ(MakeDateSelectionCaption("Scadenza", true, false, march).Caption,
              "Scadenza< marzo 2005 >");

    const DateSelectionCaption month = MakeDateSelectionCaption("Data", true, false, march);
    EXPECT_EQ(month.ToolTip, "Dati del mese 03/2005 relativi a Data");
    EXPECT_EQ(month.MenuCaption, "Solo in data < marzo 2005 >");

    const DateSelectionCaption day = MakeDateSelectionCaption("Data", false, true, march);
    EXPECT_EQ(day.Caption, "< 15 mar 2005 >");
    EXPECT_EQ(day.ToolTip, "Dati del giorno 15/03/2005 relativi a Data");

    const DateSelectionCaption all = MakeDateSelectionCaption("Data", false, false, march);
    EXPECT_EQ(all.Caption, "< tutti >");
    EXPECT_EQ(all.ToolTip, "Nessuna selezione per Data");
    EXPECT_EQ(all.MenuCaption, "Seleziona per Data");
}

TEST(SectionTree, TwentyNodesInOrder) {
    const auto& nodes = SectionNodes();
    ASSERT_EQ(nodes.size(), 20u);
    EXPECT_EQ(nodes[0].Text, "Liste");
    EXPECT_EQ(nodes[5].Key, "Lista Operazioni");
    EXPECT_EQ(nodes[6].Key, "OperazioniVendite");
    EXPECT_EQ(nodes[6].Parent, 0);
    EXPECT_EQ(nodes[10].Parent, 7);
    EXPECT_EQ(nodes[12].Key, "Clienti");
    EXPECT_EQ(nodes[12].Parent, 12);
    EXPECT_EQ(nodes[19].Key, "TabellaBonus");
    EXPECT_EQ(nodes[19].Image, "Archive");
}

TEST(SectionTree, AgreementOfStesso) {
    EXPECT_EQ(AgreementPhrase("Articoli", false), " con stessi ");
    EXPECT_EQ(AgreementPhrase("Città", false), " con stessa ");
    EXPECT_EQ(AgreementPhrase("Tessera", true), " con stessa ");
    EXPECT_EQ(AgreementPhrase("Cliente", false), " con stesso ");
    EXPECT_EQ(AgreementPhrase("Note", true), " con stesse ");
    EXPECT_EQ(AgreementPhrase("Pagamento", true), " con stesso ");
    EXPECT_EQ(AgreementPhrase("", false), " con stesso ");
}

TEST(SectionTree, DeferredCommandsKeepTheSignPosition) {
    EXPECT_EQ(DeferredCommandText("mnuRefItem", 3), "mnuRefItem( 3)");
    EXPECT_EQ(DeferredCommandText("mnuContItem", 12), "mnuContItem( 12)");

    const DeferredCommand cont = ParseDeferredCommand("mnuContItem( 12)");
    EXPECT_EQ(cont.Menu, "mnuContItem");
    EXPECT_EQ(cont.Number, 12);
    // "mnuReferencedItem(" must not be taken for a shorter command.
    EXPECT_EQ(ParseDeferredCommand("mnuReferencedItem( 2)").Menu, "mnuReferencedItem");
    EXPECT_EQ(ParseDeferredCommand("mnuRefItem(-4)").Number, -4);
    EXPECT_TRUE(ParseDeferredCommand("mnuSomething( 1)").Menu.isEmpty());
}
