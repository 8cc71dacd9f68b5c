// The windows over the program's own tables: what the clerk types is stored as typed or
// refused by name, a card code belongs to one customer, postal codes keep their zeros, and a
// sold-article line of an article without a list price is priced in the sale's row editor.
#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "FormsSchema.h"

#include <QGroupBox>

namespace {
const QString kDuplicate = "Il cliente esiste in archivio";

class ProgramWindowsTest : public WindowTest {
protected:
    void SetUp() override {
        archive.Create();
        customers = archive.Open("Clienti", {}, "Codice");
        articles = archive.Open("Articoli");
        rossi = customers->AddRow({{"Codice", "0001"}, {"Cognome", "Rossi"}, {"CAP", 9121}});
        article = articles->AddRow(
            {{"Codice", "VIAGGIO"}, {"Descrizione", "Viaggio su misura"}, {"Importo", 0}});
        sale = archive.Open("OperazioniVendite");
        sale->AddRow({{"Cliente", rossi}, {"Importo", 0}});
    }
    TempArchive archive;
    std::shared_ptr<DbmsDataSource> customers, articles, sale;
    OID rossi = 0;
    OID article = 0;
};
} // namespace

TEST_F(ProgramWindowsTest, NotANumberOrACardCodeAlreadyGivenIsRefusedTextsStopAtTheirSize) {
    const OID bianchi = customers->AddRow({{"Codice", "0002"}, {"Cognome", "Bianchi"}});
    // Refused by name before anything is written, the window open on the field; then Esc, or a
    // value that is right.
    for (const auto& [ds, row, newRow, field, typed, retyped] :
         {std::tuple{articles, article, false, "Importo", "12a,50", ""},
          {customers, rossi, false, "CAP", "20I21", ""},
          {customers, bianchi, true, "Codice", "0001", "0003"},
          {customers, bianchi, false, "Codice", "0001", "0004"}}) {
        SCOPED_TRACE(std::string(typed) + (newRow ? " new" : ""));
        ASSERT_TRUE(ds->Locate(row));
        const qint64 before = archive.Count("Clienti");
        const QString refusal =
            QString(field) == "Codice"
                ? kDuplicate
                : QString("Valore non valido per il campo %1: '%2'").arg(field, typed);
        OnWindow([&](QDialog& d) {
            QLineEdit* line = TypeOver(d, field, typed, Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(prompter.LastMessage().Text, refusal);
            EXPECT_EQ(d.focusWidget(), line);
            EXPECT_EQ(archive.Count("Clienti"), before);
            if (*retyped)
                TypeOver(d, field, retyped, Qt::Key_Return);
            else
                Press(d, Qt::Key_Escape);
        });
        prompter.Answer(PromptAnswer::Ok);
        EXPECT_EQ(FormService().ShowRowEditor(nullptr, *ds, newRow).isValid(), *retyped != 0);
    }
    EXPECT_EQ(archive.Scalar("SELECT Importo FROM Articoli"), 0);
    EXPECT_EQ(archive.Scalar("SELECT CAP FROM Clienti WHERE OID = " + QString::number(rossi)),
              9121);
    EXPECT_EQ(archive.Count("Clienti WHERE Codice IN ('0003', '0004')"), 2);
    // A text stops at its field's size with a beep, while the clerk types.
    ASSERT_TRUE(customers->Locate(rossi));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Clienti");
        Look(d, "row-editor-clienti.png");
        QLineEdit* line = TypeOver(d, "Provincia", "MILANO", Qt::Key_Return);
        EXPECT_EQ(line->text(), "MILAN");
        EXPECT_EQ(prompter.Beeps(), 1);
    });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
    // The one-field editor refuses it too.
    ASSERT_TRUE(customers->Locate(bianchi));
    OnWindow([](QDialog& d) {
        TypeOver(d, "Codice", "0001", Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *customers, "Codice"));
    EXPECT_EQ(prompter.LastMessage().Text, kDuplicate);
    EXPECT_EQ(archive.Count("Clienti WHERE Codice = '0001'"), 1);
    // The quick customer window asks the same before it opens the row editor.
    EXPECT_EQ(FormService().DuplicateRefusal(*archive.db, "Clienti", "Codice", "0001"), kDuplicate);
    EXPECT_EQ(FormService().DuplicateRefusal(*archive.db, "Clienti", "Codice", "0009"), "");
}

TEST_F(ProgramWindowsTest, PostalCodesKeepTheirLeadingZerosBoundAmountsReadTheItalianWay) {
    DbmsGridModel grid(customers, nullptr);
    const QModelIndex cap = grid.index(0, grid.ColumnOf("CAP"));
    EXPECT_EQ(cap.data().toString(), "09121");
    EXPECT_EQ(cap.data(Qt::EditRole).toLongLong(), 9121);
    QLineEdit edit;
    edit.show();
    FormService().BindTextBox(&edit, customers, "CAP");
    EXPECT_EQ(edit.text(), "09121");
    EXPECT_EQ(edit.maxLength(), 5);
    // An amount typed in a bound line is read the Italian way, or refused by name.
    ASSERT_TRUE(articles->Locate(article));
    FormService().BindTextBox(&edit, articles, "Importo");
    prompter.Answer(PromptAnswer::Ok);
    for (const auto& [typed, stored] : {std::pair{"12a,50", 0}, {"1.250,5", 12505000}}) {
        edit.selectAll();
        QTest::keyClicks(&edit, typed);
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_EQ(archive.Scalar("SELECT Importo FROM Articoli"), stored) << typed;
    }
    EXPECT_EQ(prompter.Messages(), QStringList{"Valore non valido per il campo Importo: '12a,50'"});
    EXPECT_EQ(edit.text(), "1.250,50");

    ASSERT_TRUE(customers->Locate(rossi));
    OnWindow([](QDialog& d) {
        auto* line = Child<QLineEdit>(d, "CAP");
        EXPECT_EQ(line->text(), "09121");
        EXPECT_EQ(line->maxLength(), 5);
        TypeOver(d, "CAP", "00185", Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
    EXPECT_EQ(archive.Scalar("SELECT CAP FROM Clienti"), 185);
    EXPECT_EQ(customers->GetText("CAP"), "00185");
    OnWindow([](QDialog& d) {
        EXPECT_EQ(Child<QLineEdit>(d, "CAP")->text(), "00185");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *customers, "CAP"));
}

TEST_F(ProgramWindowsTest, ALineWithoutAListPriceIsPricedByTheClerkAndBelongsToTheSale) {
    auto lines = sale->GetReference("Articoli");
    const QString link = lines->TableDef().ParentLinkField();
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Articoli Venduti");
        EXPECT_EQ(Texts(d, {link, "Quantita"}), QStringList({"VIAGGIO - Viaggio su misura", "1"}));
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
    EXPECT_EQ(Stored(archive, "ArticoliVenduti", oid, {"ImportoVendita", "OID_Articoli"}),
              QStringList({"12500000", QString::number(article)}));
    const QString pair = QString::number(sale->CurrentOID()) + " AND OID_Item = " + oid.toString();
    EXPECT_EQ(archive.Count("OperazioniVendite__Articoli WHERE OID_Owner = " + pair), 1);
    // A cancelled line leaves the sale as it was.
    OnWindow([](QDialog& d) {
        QTest::keyClicks(d.focusWidget(), "99");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *lines, true, {{"Quantita", 1}}).isValid());
    EXPECT_EQ(archive.Count("ArticoliVenduti"), 1);
    EXPECT_EQ(archive.Count("OperazioniVendite__Articoli"), 1);
}
