#include "DbmsGridLayout.h"
#include "EngineTestSchema.h"

#include <QSettings>

class DbmsGridLayoutTest : public ArchiveTest {
protected:
    const QString ini = a.dir.filePath("Tessarin.INI");
};

TEST_F(DbmsGridLayoutTest, LayoutComesBackResetEmptiesItVisibleFieldsFollowItHandEditsAreRead) {
    auto layout = DbmsGridLayout::Load(ini, "Soci"); // no file yet
    EXPECT_FALSE(layout->HasCustomSequence());
    EXPECT_EQ(layout->ColumnWidth("Codice"), -1);
    layout->SetFieldSequence(" Punti , Codice,,punti");
    layout->SetColumnWidth("Punti", 2400);
    layout->SetColumnWidth("Codice", 900);
    layout->SetColumnWidth("Codice", -1);
    layout->Close();
    // Written when it goes away, beside the other table's group.
    DbmsGridLayout::Load(ini, "Vendite")->SetColumnWidth("Data", 1500);
    layout = DbmsGridLayout::Load(ini, "Soci");
    EXPECT_EQ(layout->FieldSequence(), "Punti,Codice");
    EXPECT_EQ(layout->ColumnWidth("PUNTI"), 2400);
    EXPECT_EQ(layout->ColumnWidth("Codice"), -1);
    layout->Reset();
    EXPECT_FALSE(layout->HasCustomSequence());
    layout->Close();
    EXPECT_TRUE(QSettings(ini, QSettings::IniFormat).allKeys().filter("Soci/").isEmpty());
    EXPECT_EQ(DbmsGridLayout::Load(ini, "Vendite")->ColumnWidth("Data"), 1500);
    auto ds = a.Open("Prodotti");
    layout = DbmsGridLayout::Load(ini, "Prodotti");
    // Keys and links stay out of the view's own order.
    EXPECT_EQ(layout->VisibleFields(*ds), (QStringList{"Codice", "Descrizione", "Prezzo", "Tipo"}));
    layout->SetFieldSequence("tipo,Ignoto,OID,Codice");
    EXPECT_EQ(layout->VisibleFields(*ds), (QStringList{"Tipo", "OID", "Codice"}));
    // A sequence naming nothing the view has would leave an empty grid.
    layout->SetFieldSequence("Ignoto");
    EXPECT_EQ(layout->VisibleFields(*ds).size(), 4);
    // A file edited by hand is read as it can be.
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Soci]\nFieldSequence=Codice, Punti\nWidths\\Codice=900\nWidths\\Punti=wide\n");
    file.close();
    auto hand = DbmsGridLayout::Load(ini, "Soci");
    EXPECT_EQ(hand->FieldSequence(), "Codice,Punti");
    EXPECT_EQ(hand->ColumnWidth("Codice"), 900);
    EXPECT_EQ(hand->ColumnWidth("Punti"), -1);
}
