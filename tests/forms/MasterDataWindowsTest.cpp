// The windows over the program's customers and articles: what the clerk types is stored as
// typed or refused by name, a card code belongs to one customer, postal codes keep their zeros.
#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "TempArchive.h"
#include "WindowTest.h"

#include <QLineEdit>

namespace {
const QString kDuplicate = "Il cliente esiste in archivio";

class MasterDataWindowsTest : public WindowTest {
protected:
    void SetUp() override {
        archive.Create();
        customers = archive.Open("Clienti", {}, "Codice");
        articles = archive.Open("Articoli");
        rossi = customers->AddRow({{"Codice", "0001"}, {"Cognome", "Rossi"}, {"CAP", 9121}});
        article = articles->AddRow({{"Codice", "VIAGGIO"}, {"Importo", 0}});
    }
    qint64 Scalar(const QString& sql) { return archive.Scalar(sql); }
    // Types over a field of the row editor and presses Enter.
    static QLineEdit* TypeOver(QDialog& d, const QString& field, const QString& text) {
        auto* line = Child<QLineEdit>(d, field);
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, text);
        Press(d, Qt::Key_Return);
        return line;
    }

    TempArchive archive;
    std::shared_ptr<DbmsDataSource> customers;
    std::shared_ptr<DbmsDataSource> articles;
    OID rossi = 0;
    OID article = 0;
};
} // namespace

TEST_F(MasterDataWindowsTest, WhatIsNotANumberIsRefusedByNameAndTextsStopAtTheirSize) {
    struct Case {
        std::shared_ptr<DbmsDataSource> ds;
        OID row;
        QString field;
        QString typed;
    };
    for (const Case& c :
         {Case{articles, article, "Importo", "12a,50"}, Case{articles, article, "Importo", "1x00"},
          Case{customers, rossi, "CAP", "20I21"}}) {
        SCOPED_TRACE(c.typed.toStdString());
        ASSERT_TRUE(c.ds->Locate(c.row));
        OnWindow([&](QDialog& d) {
            QLineEdit* line = TypeOver(d, c.field, c.typed);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(prompter.LastMessage().Text,
                      "Valore non valido per il campo " + c.field + ": '" + c.typed + "'");
            EXPECT_EQ(d.focusWidget(), line);
            Press(d, Qt::Key_Escape);
        });
        prompter.Answer(PromptAnswer::Ok);
        EXPECT_FALSE(FormService().ShowRowEditor(nullptr, *c.ds, false).isValid());
    }
    EXPECT_EQ(Scalar("SELECT Importo FROM Articoli"), 0);
    EXPECT_EQ(Scalar("SELECT CAP FROM Clienti"), 9121);

    // A text stops at its field's size with a beep, while the clerk types.
    ASSERT_TRUE(customers->Locate(rossi));
    OnWindow([&](QDialog& d) {
        QLineEdit* line = TypeOver(d, "Provincia", "MILANO");
        EXPECT_EQ(line->text(), "MILAN");
        EXPECT_EQ(prompter.Beeps(), 1);
    });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
}

TEST_F(MasterDataWindowsTest, ABoundAmountIsReadTheItalianWayOrRefusedByName) {
    ASSERT_TRUE(articles->Locate(article));
    QLineEdit edit;
    edit.show();
    FormService().BindTextBox(&edit, articles, "Importo");
    prompter.Answer(PromptAnswer::Ok);
    edit.selectAll();
    QTest::keyClicks(&edit, "12a,50");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(prompter.Messages(), QStringList{"Valore non valido per il campo Importo: '12a,50'"});
    EXPECT_EQ(Scalar("SELECT Importo FROM Articoli"), 0);

    edit.selectAll();
    QTest::keyClicks(&edit, "1.250,5");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(Scalar("SELECT Importo FROM Articoli"), 12505000);
    EXPECT_EQ(edit.text(), "1.250,50");

    ASSERT_TRUE(customers->Locate(rossi));
    FormService().BindTextBox(&edit, customers, "CAP");
    EXPECT_EQ(edit.text(), "09121");
    EXPECT_EQ(edit.maxLength(), 5);
}

TEST_F(MasterDataWindowsTest, ACardCodeAlreadyGivenIsRefusedBeforeAnythingIsWritten) {
    const OID bianchi = customers->AddRow({{"Codice", "0002"}, {"Cognome", "Bianchi"}});
    for (const bool newRow : {true, false}) {
        SCOPED_TRACE(newRow);
        ASSERT_TRUE(customers->Locate(bianchi));
        const QString freeCode = newRow ? "0003" : "0004";
        const qint64 before = Scalar("SELECT COUNT(*) FROM Clienti");
        OnWindow([&](QDialog& d) {
            QLineEdit* code = TypeOver(d, "Codice", "0001");
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(prompter.LastMessage().Text, kDuplicate);
            EXPECT_EQ(d.focusWidget(), code);
            EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Clienti"), before);
            TypeOver(d, "Codice", freeCode);
        });
        prompter.Answer(PromptAnswer::Ok);
        EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *customers, newRow).isValid());
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Clienti WHERE Codice = '" + freeCode + "'"), 1);
    }
    // The one-field editor refuses it too.
    OnWindow([](QDialog& d) {
        TypeOver(d, "Codice", "0001");
        EXPECT_TRUE(d.isVisible());
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *customers, "Codice"));
    EXPECT_EQ(prompter.LastMessage().Text, kDuplicate);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM Clienti WHERE Codice = '0001'"), 1);
    // The quick customer window asks the same before it opens the row editor.
    EXPECT_EQ(FormService().DuplicateRefusal(*archive.db, "Clienti", "Codice", "0001"), kDuplicate);
    EXPECT_EQ(FormService().DuplicateRefusal(*archive.db, "Clienti", "Codice", "0009"), "");
}

TEST_F(MasterDataWindowsTest, PostalCodesKeepTheirLeadingZeros) {
    DbmsGridModel grid(customers, nullptr);
    const QModelIndex cap = grid.index(0, grid.ColumnOf("CAP"));
    EXPECT_EQ(cap.data().toString(), "09121");
    EXPECT_EQ(cap.data(Qt::EditRole).toLongLong(), 9121);

    ASSERT_TRUE(customers->Locate(rossi));
    OnWindow([](QDialog& d) {
        auto* line = Child<QLineEdit>(d, "CAP");
        EXPECT_EQ(line->text(), "09121");
        EXPECT_EQ(line->maxLength(), 5);
        TypeOver(d, "CAP", "00185");
    });
    EXPECT_TRUE(FormService().ShowRowEditor(nullptr, *customers, false).isValid());
    EXPECT_EQ(Scalar("SELECT CAP FROM Clienti"), 185);
    EXPECT_EQ(customers->GetText("CAP"), "00185");

    OnWindow([](QDialog& d) {
        EXPECT_EQ(Child<QLineEdit>(d, "CAP")->text(), "00185");
        Press(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *customers, "CAP"));
}
