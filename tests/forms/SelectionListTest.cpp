// The selection list and the row list: incremental search by what is typed, the choice with
// Enter or a double click, nothing with Esc.
#include "DbmsFormService.h"
#include "FormsSchema.h"
#include "WindowTest.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {
class SelectionListTest : public WindowTest {
protected:
    WindowsArchive archive;
    // In description order: "L'agenda; 2024", "Penna blu", "Penna rossa", "Quaderno".
    std::shared_ptr<DbmsDataSource> ds = archive.Open("Articoli", {}, "Articoli.Descrizione");

    static int Row(QDialog& d) { return Child<QTableView>(d, "dgRows")->currentIndex().row(); }
};
} // namespace

TEST_F(SelectionListTest, TypingJumpsToTheFirstRowThatStartsWithItAndEnterChoosesIt) {
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "DbmsSelectionList");
        EXPECT_EQ(d.windowTitle(), "Articoli");
        auto* view = Child<QTableView>(d, "dgRows");
        EXPECT_EQ(d.focusWidget(), view);
        EXPECT_EQ(view->model()->rowCount(), 4);
        EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Descrizione");
        EXPECT_EQ(Row(d), 0);
        // The list is ordered by description, so typing searches the description.
        QTest::keyClicks(view, "pen");
        EXPECT_EQ(prompter.Beeps(), 0);
        EXPECT_EQ(Child<QLineEdit>(d, "txtSearch")->text(), "pen");
        EXPECT_EQ(Row(d), 1);
        QTest::keyClicks(view, "na r");
        EXPECT_EQ(prompter.Beeps(), 0);
        EXPECT_EQ(Row(d), 2);
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClick(view, Qt::Key_Backspace);
        EXPECT_EQ(Child<QLineEdit>(d, "txtSearch")->text(), "penna");
        EXPECT_EQ(Row(d), 1);
        Look(d, "selection-list.png");
        for (int c = 0; c < view->model()->columnCount(); ++c)
            EXPECT_LE(view->columnViewportPosition(c) + view->columnWidth(c),
                      view->viewport()->width());
        // Nothing starts with it: a beep, and the list stays where it was.
        QTest::keyClicks(view, "z");
        EXPECT_EQ(prompter.Beeps(), 1);
        EXPECT_EQ(Row(d), 1);
        QTest::keyClick(view, Qt::Key_Down);
        Press(d, Qt::Key_Return);
    });
    const QVariant oid = FormService().ShowSelectionList(nullptr, *ds);
    EXPECT_EQ(oid, QVariant(archive.oid["A3"]));
    // The data source is left on the chosen row.
    EXPECT_EQ(ds->CurrentOID(), archive.oid["A3"]);
}

TEST_F(SelectionListTest, QuotesAndWildcardsTypedAreSearchedSafely) {
    OnWindow([&](QDialog& d) {
        auto* search = Child<QLineEdit>(d, "txtSearch");
        search->setFocus();
        QTest::keyClicks(search, "l'agenda;");
        EXPECT_EQ(Row(d), 0);
        search->clear();
        QTest::keyClicks(search, "*rossa");
        EXPECT_EQ(Row(d), 2);
        // The arrows of the search line move the list.
        QTest::keyClick(search, Qt::Key_Down);
        EXPECT_EQ(Row(d), 3);
        EXPECT_EQ(d.focusWidget(), search);
        EXPECT_EQ(prompter.Beeps(), 0);
        Press(d, Qt::Key_Return);
    });
    EXPECT_EQ(FormService().ShowSelectionList(nullptr, *ds, "Scegli l'articolo"),
              QVariant(archive.oid["A1"]));
}

TEST_F(SelectionListTest, TheListStartsOnTheCurrentRowAndADoubleClickChooses) {
    ASSERT_TRUE(ds->Locate(archive.oid["A1"]));
    OnWindow([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Scegli l'articolo");
        EXPECT_EQ(Row(d), 3);
        auto* view = Child<QTableView>(d, "dgRows");
        const QRect cell = view->visualRect(view->model()->index(1, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(FormService().ShowSelectionList(nullptr, *ds, "Scegli l'articolo"),
              QVariant(archive.oid["A2"]));
}

TEST_F(SelectionListTest, EscOrAnEmptyListChoosesNothing) {
    OnWindow([](QDialog& d) { Press(d, Qt::Key_Escape); });
    EXPECT_FALSE(FormService().ShowSelectionList(nullptr, *ds).isValid());

    auto none = archive.Open("Articoli", "Codice = 'X'");
    OnWindow([](QDialog& d) { Press(d, Qt::Key_Return); });
    EXPECT_FALSE(FormService().ShowSelectionList(nullptr, *none).isValid());
}

TEST_F(SelectionListTest, TheRowListOnlyShowsAndClosesWithEnterOrEsc) {
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        OnWindow([key](QDialog& d) {
            EXPECT_EQ(d.objectName(), "DbmsRowList");
            EXPECT_EQ(d.windowTitle(), "Articoli da importare");
            EXPECT_EQ(Child<QPushButton>(d, "cmdOK")->text(), "&Chiudi");
            EXPECT_EQ(d.findChild<QPushButton*>("cmdCancel"), nullptr);
            EXPECT_EQ(Child<QTableView>(d, "dgRows")->model()->rowCount(), 4);
            Press(d, key);
            EXPECT_FALSE(d.isVisible());
        });
        FormService().ShowRowList(nullptr, *ds, "Articoli da importare");
    }
    EXPECT_EQ(archive.Scalar("SELECT COUNT(*) FROM Articoli"), 4);
}
