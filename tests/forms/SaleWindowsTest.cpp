// The windows over the program's own tables, as the sale form uses them: a sold-article line
// of an article without a list price, entered in the row editor of the sale's collection.
#include "DB.h"
#include "DbmsClock.h"
#include "DbmsEngine.h"
#include "DbmsFormService.h"
#include "WindowsTestUtil.h"

#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {
class SaleWindowsTest : public WindowTest {
protected:
    void SetUp() override {
        DbmsClock::SetFixed(QDateTime(QDate(2024, 3, 15), QTime(10, 30)));
        storage = std::make_shared<DbmsStorage>();
        storage->CreateFile(DbmsStorage::FormatSQLite, dir.filePath("Tessarin.mdb"), 0, 0);
        DB definition;
        db = engine.DefineDatabase(definition, "Tessarin", nullptr, nullptr, 0);
        db->Attach(storage, true, false, false, 0, nullptr);
        article =
            db->Item("Articoli")
                ->OpenDataSource()
                ->AddRow(
                    {{"Codice", "VIAGGIO"}, {"Descrizione", "Viaggio su misura"}, {"Importo", 0}});
        customer = db->Item("Clienti")->OpenDataSource()->AddRow(
            {{"Codice", "0001"}, {"Descrizione", "Rossi Mario"}});
        sale = db->Item("OperazioniVendite")->OpenDataSource();
        sale->AddRow({{"Cliente", customer}, {"Importo", 0}});
    }
    void TearDown() override {
        WindowTest::TearDown();
        DbmsClock::Reset();
    }
    qint64 Scalar(const QString& sql) {
        SQLite::Statement st(storage->Connection(), sql.toStdString());
        st.executeStep();
        return st.getColumn(0).getInt64();
    }

    QTemporaryDir dir;
    DbmsEngine engine;
    std::shared_ptr<DbmsStorage> storage;
    std::shared_ptr<DbmsDatabase> db;
    std::shared_ptr<DbmsDataSource> sale;
    OID article = 0;
    OID customer = 0;
};
} // namespace

TEST_F(SaleWindowsTest, ALineWithoutAListPriceIsPricedByTheClerkAndBelongsToTheSale) {
    auto lines = sale->GetReference("Articoli");
    const QString link = lines->TableDef().ParentLinkField();
    prompter.Dialog([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Articoli Venduti");
        ShowWindow(d);
        EXPECT_EQ(Child<QLineEdit>(d, link)->text(), "VIAGGIO - Viaggio su misura");
        EXPECT_EQ(Child<QLineEdit>(d, "Quantita")->text(), "1");
        // The article and the quantity were given: the clerk starts on the price.
        EXPECT_EQ(d.focusWidget(), Child<QLineEdit>(d, "ImportoVendita"));
        EXPECT_EQ(Child<QLineEdit>(*Child<QGroupBox>(d, "grpParent"), "Descrizione")->text(),
                  "Viaggio su misura");
        QTest::keyClicks(d.focusWidget(), "1.250,00");
        Press(d, Qt::Key_Return);
        return d.result();
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
    prompter.Dialog([](QDialog& d) {
        ShowWindow(d);
        QTest::keyClicks(d.focusWidget(), "99");
        Press(d, Qt::Key_Escape);
        return d.result();
    });
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *lines, true, {{"Quantita", 1}}).isValid());
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ArticoliVenduti"), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM OperazioniVendite__Articoli"), 0);
    EXPECT_TRUE(lines->IsEmpty());
}

TEST_F(SaleWindowsTest, TheCustomersWindowShowsEveryFieldInside) {
    auto customers = db->Item("Clienti")->OpenDataSource();
    ASSERT_TRUE(customers->Locate(customer));
    prompter.Dialog([](QDialog& d) {
        ShowWindow(d);
        EXPECT_EQ(d.windowTitle(), "Clienti");
        for (QWidget* w : d.findChildren<QLineEdit*>())
            EXPECT_TRUE(d.rect().contains(QRect(w->mapTo(&d, QPoint(0, 0)), w->size())))
                << w->objectName().toStdString();
        const QString folder = qEnvironmentVariable("TESSARIN_SCREENSHOTS");
        if (!folder.isEmpty()) d.grab().save(QDir(folder).filePath("row-editor-clienti.png"));
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
}
