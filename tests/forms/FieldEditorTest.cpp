// The one-field editor and the text box binding: what reaches the row, and when.
#include "DbmsFormService.h"
#include "FormsSchema.h"
#include "WindowTest.h"

#include <QDateTimeEdit>
#include <QLineEdit>

namespace {
class FieldEditorTest : public WindowTest {
protected:
    WindowsArchive archive;
    std::shared_ptr<DbmsDataSource> ds = archive.Open("Clienti");
    QVariant Stored(const QString& field) {
        return archive.Value("SELECT " + field +
                             " FROM Clienti WHERE OID = " + QString::number(archive.oid["C1"]));
    }
    void SetUp() override { ASSERT_TRUE(ds->Locate(archive.oid["C1"])); }
};
} // namespace

TEST_F(FieldEditorTest, AChangedDateIsStoredAndReportedDelClearsItAnEmptyOneIsTyped) {
    const QDateTime when(QDate(2024, 3, 15), QTime(9, 45));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsFieldEditor");
        EXPECT_EQ(d.windowTitle(), "Data Iscrizione");
        auto* box = Child<QDateTimeEdit>(d, "DataIscrizione");
        EXPECT_EQ(d.focusWidget(), box);
        EXPECT_EQ(box->displayFormat(), "dd/MM/yyyy HH:mm");
        box->setDateTime(when);
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldEditor(nullptr, *ds, "DataIscrizione"));
    EXPECT_EQ(Stored("DataIscrizione"), "2024-03-15 09:45:00");
    EXPECT_FALSE(ds->IsDirty());
    EXPECT_EQ(ds->GetText("DataIscrizione"), "15/03/2024 09:45");

    // Del clears a date; an empty one is typed from the day on.
    OnWindow([](QDialog& d) {
        Press(d, Qt::Key_Delete);
        EXPECT_EQ(Child<QDateTimeEdit>(d, "DataIscrizione")->text(), " ");
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldEditor(nullptr, *ds, "DataIscrizione"));
    EXPECT_FALSE(Stored("DataIscrizione").isValid());
    OnWindow([](QDialog& d) {
        auto* box = Child<QDateTimeEdit>(d, "DataIscrizione");
        EXPECT_EQ(box->text(), " ");
        QTest::keyClicks(box, "150320241030");
        Press(d, Qt::Key_Return);
    });
    EXPECT_TRUE(FormService().ShowFieldEditor(nullptr, *ds, "DataIscrizione"));
    EXPECT_EQ(Stored("DataIscrizione"), "2024-03-15 10:30:00");
}

TEST_F(FieldEditorTest, NoChangeEscAnUnknownFieldOrARefusedRowStoreNothing) {
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        SCOPED_TRACE(key);
        OnWindow([key](QDialog& d) {
            auto* name = Child<QLineEdit>(d, "Nome");
            EXPECT_EQ(name->text(), "Anna Bianchi");
            if (key == Qt::Key_Escape) QTest::keyClicks(name, " (da scartare)");
            Press(d, key);
        });
        EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *ds, "Nome"));
        EXPECT_EQ(Stored("Nome"), "Anna Bianchi");
        EXPECT_EQ(ds->GetValue("Nome"), "Anna Bianchi");
        EXPECT_FALSE(ds->IsDirty());
    }
    // A field the table lacks is reported.
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *ds, "Cognome"));
    EXPECT_EQ(prompter.LastMessage().Text, "Campo sconosciuto nella tabella Clienti: Cognome");

    // A refused row keeps the window open; a cancel then takes the value back.
    ds->SetValue("Codice", ""); // the rules will refuse the row
    OnWindow([&](QDialog& d) {
        QTest::keyClicks(Child<QLineEdit>(d, "Nome"), "!");
        Press(d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompter.LastMessage().Text,
                  "Impossibile salvare i dati:\n\nIl codice del cliente è obbligatorio");
        Press(d, Qt::Key_Escape);
    });
    prompter.Answer(PromptAnswer::Ok);
    EXPECT_FALSE(FormService().ShowFieldEditor(nullptr, *ds, "Nome"));
    EXPECT_EQ(Stored("Nome"), "Anna Bianchi");
    EXPECT_FALSE(ds->IsDirty());
    EXPECT_EQ(ds->GetValue("Codice"), "C1");
}

TEST_F(FieldEditorTest, ABoundTextBoxWritesThroughAsTheUserTypesUntilBoundElsewhere) {
    QLineEdit edit;
    edit.show();
    FormService().BindTextBox(&edit, ds, "Nome");
    EXPECT_EQ(edit.text(), "Anna Bianchi");
    EXPECT_EQ(edit.maxLength(), 32);

    edit.selectAll();
    QTest::keyClicks(&edit, "Anna Maria");
    // In the row at once, in the archive once the edit is finished.
    EXPECT_EQ(ds->GetValue("Nome"), "Anna Maria");
    EXPECT_EQ(Stored("Nome"), "Anna Bianchi");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(Stored("Nome"), "Anna Maria");
    EXPECT_FALSE(ds->IsDirty());

    // A change made elsewhere in the row shows in the line.
    ds->SetValue("Nome", "Anna M. Bianchi");
    EXPECT_EQ(edit.text(), "Anna M. Bianchi");
    ds->CancelUpdate();

    // Unbound, the line no longer reaches the row.
    FormService().BindTextBox(&edit, nullptr, "Nome");
    QTest::keyClicks(&edit, "x");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_FALSE(ds->IsDirty());
    EXPECT_EQ(Stored("Nome"), "Anna Maria");

    // Bound again elsewhere, the line writes to the new row only; a released row is let go.
    FormService().BindTextBox(&edit, ds, "Nome");
    auto other = archive.Open("Clienti");
    ASSERT_TRUE(other->Locate(archive.oid["C2"]));
    FormService().BindTextBox(&edit, other, "Codice");
    EXPECT_EQ(edit.text(), "C2");
    EXPECT_EQ(edit.maxLength(), 8);
    edit.selectAll();
    QTest::keyClicks(&edit, "C22");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_FALSE(ds->IsDirty());
    EXPECT_EQ(Stored("Nome"), "Anna Maria");
    EXPECT_EQ(archive.Count("Clienti WHERE Codice = 'C22'"), 1);

    other.reset(); // the window lets the row go; the line is just a line now
    QTest::keyClicks(&edit, "3");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(archive.Count("Clienti WHERE Codice = 'C223'"), 0);
}
