// The windows as the user sees them: every control inside the window, no text cut short.
// With TESSARIN_SCREENSHOTS set to a folder, each window is also saved there as a PNG.
#include "DbmsFormService.h"
#include "WindowsTestArchive.h"
#include "WindowsTestUtil.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace {
class WindowLayoutTest : public WindowTest {
protected:
    WindowsArchive archive;

    // Checks what a user would notice first, then keeps a picture when asked to.
    void Look(QDialog& d, const QString& picture) {
        ShowWindow(d);
        const QRect inside = d.rect();
        for (QWidget* w : d.findChildren<QWidget*>()) {
            if (!w->isVisible() || w->isWindow()) continue;
            const QRect r(w->mapTo(&d, QPoint(0, 0)), w->size());
            EXPECT_TRUE(inside.contains(r)) << w->objectName().toStdString();
            if (auto* label = qobject_cast<QLabel*>(w)) {
                EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
            }
            if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                EXPECT_GE(button->width(), button->sizeHint().width() * 9 / 10)
                    << button->text().toStdString();
            }
        }
        const QString folder = qEnvironmentVariable("TESSARIN_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            EXPECT_TRUE(d.grab().save(QDir(folder).filePath(picture)));
        }
    }
};
} // namespace

TEST_F(WindowLayoutTest, RowEditorOfAChildRowWithItsParent) {
    auto ds = archive.Open("Righe");
    prompter.Dialog([&](QDialog& d) {
        Look(d, "row-editor-child.png");
        for (const char* name : {"OID_Articoli", "Quantita", "Importo", "Data", "Note", "Cliente"})
            EXPECT_TRUE(Child<QWidget>(d, name)->isVisible()) << name;
        return int(QDialog::Rejected);
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
    prompter.Dialog([&](QDialog& d) {
        Look(d, "row-editor-customer.png");
        return int(QDialog::Rejected);
    });
    FormService().ShowRowEditor(nullptr, *ds, false);
}

TEST_F(WindowLayoutTest, SelectionListShowsEveryColumnWhole) {
    auto ds = archive.Open("Articoli", {}, "Descrizione");
    prompter.Dialog([&](QDialog& d) {
        auto* view = Child<QTableView>(d, "dgRows");
        QTest::keyClicks(view, "pen");
        Look(d, "selection-list.png");
        for (int c = 0; c < view->model()->columnCount(); ++c)
            EXPECT_LE(view->columnViewportPosition(c) + view->columnWidth(c),
                      view->viewport()->width())
                << c;
        return int(QDialog::Rejected);
    });
    FormService().ShowSelectionList(nullptr, *ds);
}
