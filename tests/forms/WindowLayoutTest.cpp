// The windows as the user sees them: every control inside the window, no text cut short.
// With TESSARIN_SCREENSHOTS set to a folder, each window is also saved there as a PNG.
#include "DbmsFormService.h"
#include "FormsSchema.h"
#include "WindowTest.h"

#include <QTableView>

namespace {
class WindowLayoutTest : public WindowTest {
protected:
    WindowsArchive archive;
};
} // namespace

TEST_F(WindowLayoutTest, RowEditorOfAChildRowWithItsParent) {
    auto ds = archive.Open("Righe");
    OnWindow([&](QDialog& d) {
        Look(d, "row-editor-child.png");
        for (const char* name : {"OID_Articoli", "Quantita", "Importo", "Data", "Note", "Cliente"})
            EXPECT_TRUE(Child<QWidget>(d, name)->isVisible()) << name;
    });
    FormService().ShowRowEditor(nullptr, *ds, true,
                                {{"OID_Articoli", archive.oid["A4"]},
                                 {"Cliente", archive.oid["C1"]},
                                 {"Note", "Consegna a domicilio"}});
}

TEST_F(WindowLayoutTest, RowEditorOfAnExistingRowWithItsLists) {
    auto ds = archive.Open("Clienti");
    ASSERT_TRUE(ds->Locate(archive.oid["C1"]));
    ds->SetReference("Preferiti", archive.oid["A1"]);
    ds->SetReference("Preferiti", archive.oid["A4"]);
    OnWindow([&](QDialog& d) { Look(d, "row-editor-customer.png"); });
    FormService().ShowRowEditor(nullptr, *ds, false);
}

TEST_F(WindowLayoutTest, SelectionListShowsEveryColumnWhole) {
    auto ds = archive.Open("Articoli", {}, "Descrizione");
    OnWindow([&](QDialog& d) {
        auto* view = Child<QTableView>(d, "dgRows");
        QTest::keyClicks(view, "pen");
        Look(d, "selection-list.png");
        for (int c = 0; c < view->model()->columnCount(); ++c)
            EXPECT_LE(view->columnViewportPosition(c) + view->columnWidth(c),
                      view->viewport()->width())
                << c;
    });
    FormService().ShowSelectionList(nullptr, *ds);
}
