// The windows over the program's own tables, as the sale form uses them: a sold-article line
// of an article without a list price, entered in the row editor of the sale's collection.
#include "DbmsFormService.h"
#include "TempArchive.h"
#include "WindowTest.h"

#include <QGroupBox>
#include <QLineEdit>

namespace {
class SaleWindowsTest : public WindowTest {
protected:
    void SetUp() override {
        archive.Create();
        article =
            archive.Open("Articoli")
                ->AddRow(
                    {{"Codice", "VIAGGIO"}, {"Descrizione", "Viaggio su misura"}, {"Importo", 0}});
        customer =
            archive.Open("Clienti")->AddRow({{"Codice", "0001"}, {"Descrizione", "Rossi Mario"}});
        sale = archive.Open("OperazioniVendite");
        sale->AddRow({{"Cliente", customer}, {"Importo", 0}});
    }
    qint64 Scalar(const QString& sql) { return archive.Scalar(sql); }

    TempArchive archive;
    std::shared_ptr<DbmsDataSource> sale;
    OID article = 0;
    OID customer = 0;
};
} // namespace

TEST_F(SaleWindowsTest, ALineWithoutAListPriceIsPricedByTheClerkAndBelongsToTheSale) {
    auto lines = sale->GetReference("Articoli");
    const QString link = lines->TableDef().ParentLinkField();
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Articoli Venduti");
        EXPECT_EQ(Child<QLineEdit>(d, link)->text(), "VIAGGIO - Viaggio su misura");
        EXPECT_EQ(Child<QLineEdit>(d, "Quantita")->text(), "1");
        // The article and the quantity were given: the clerk starts on the price.
        EXPECT_EQ(d.focusWidget(), Child<QLineEdit>(d, "ImportoVendita"));
        EXPECT_EQ(Child<QLineEdit>(*Child<QGroupBox>(d, "grpParent"), "Descrizione")->text(),
                  "Viaggio su misura");
        QTest::keyClicks(d.focusWidget(), "1.250,00");
        Press(d, Qt::Key_Return);
    });
    const QVariant oid =
        FormService().ShowRowEditor(nullptr, *lines, true, {{"Quantita", 1}, {link, article}});

    ASSERT_TRUE(oid.isValid());
    EXPECT_EQ(lines->CurrentOID(), oid.toLongLong());
    const QString where = " FROM ArticoliVenduti WHERE OID = " + oid.toString();
    EXPECT_EQ(Scalar("SELECT ImportoVendita" + where), 12500000);
    EXPECT_EQ(Scalar("SELECT OID_Articoli" + where), article);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite__Articoli WHERE OID_Owner = " +
                     QString::number(sale->CurrentOID()) + " AND OID_Item = " + oid.toString()),
              1);
}

TEST_F(SaleWindowsTest, ACancelledLineLeavesTheSaleAsItWas) {
    auto lines = sale->GetReference("Articoli");
    OnWindow([](QDialog& d) {
        QTest::keyClicks(d.focusWidget(), "99");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *lines, true, {{"Quantita", 1}}).isValid());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite__Articoli"), 0);
    EXPECT_TRUE(lines->IsEmpty());
}

TEST_F(SaleWindowsTest, TheCustomersWindowShowsEveryFieldInside) {
    auto customers = archive.Open("Clienti");
    ASSERT_TRUE(customers->Locate(customer));
    OnWindow([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Clienti");
        Look(d, "row-editor-clienti.png");
    });
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
}
