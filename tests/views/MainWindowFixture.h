#pragma once
// The main window over a real archive in a temporary working folder, with the environment and
// the scripted prompter of every window test, the clock frozen on 15 March 2005.

#include "DbmsGridModel.h"
#include "InitDatabase.h"
#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMain.h"
#include "frmMessage.h"
#include "frmSearchText.h"
#include "modTag.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <memory>

inline const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

inline const auto Reject = [](QDialog&) { return int(QDialog::Rejected); };
// A mouse click on a row of a grid, as a user's.
inline void Click(QAbstractItemView* view, const QModelIndex& index,
                  Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                      view->visualRect(index).center());
}

class MainWindowTest : public WindowTest {
protected:
    MainWindowTest() {
        settings.Load();
        settings.RootDir = WorkDir();
        session.SetDateSelection(false, false);
        frmSearchText::Instance().SetLast({}, {});
    }
    void TearDown() override {
        main.reset();
        frmMessage::Unload();
        session.Release();
        WindowTest::TearDown();
    }
    // The window after its first activation: the archive in WorkDir opened, or created.
    frmMain& Start() {
        if (!QFile::exists(ArchivePath()))
            OnWindow([](QDialog& options) { Child<QPushButton>(options, "cmdOK")->click(); });
        frmMain::Hooks hooks;
        hooks.InitDatabase = [this](bool wasActivated) {
            modGlobal::InitDatabase(session, settings, wasActivated, main.get(), main.get(),
                                    main.get());
        };
        main = std::make_unique<frmMain>(session, settings, std::move(hooks));
        main->Activate();
        return *main;
    }
    // The window shown and active, so its keys and shortcuts reach it as a user's do.
    frmMain& StartShown() {
        Start().show();
        Activate();
        return *main;
    }
    // What the desktop does when the window in front goes away or another is brought forward.
    void Activate(QWidget* window = nullptr) {
        window = window ? window : main.get();
        window->show();
        QApplication::processEvents();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    OID AddCustomer(const QString& code, const QString& surname) {
        return Open("Clienti")->AddRow({{"Codice", code}, {"Cognome", surname}});
    }
    OID AddSale(const QString& code, const QDateTime& day = March10) {
        return Open("OperazioniVendite")
            ->AddRow({{"Cliente", AddCustomer(code, "Cliente " + code)}, {"Data", day}});
    }
    // A sale of March 10 with `lines` articles sold, for a new customer.
    OID SaleWithLines(const QString& code, int lines) {
        const OID sale = AddSale(code);
        const OID article = Open("Articoli")->AddRow({{"Codice", "A" + code}});
        auto sold = Open("OperazioniVendite")->GetReferenceOf(sale, "Articoli");
        for (int i = 1; i <= lines; ++i)
            sold->AddRow({{"OID_Articoli", article}, {"Quantita", i}});
        return sale;
    }
    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& filter = {}) {
        return session.Database()->Item(table)->OpenDataSource(filter);
    }
    qint64 Count(const QString& table) { return Open(table)->RowCount(); }
    // A field of a row as stored, empty when there is no such row.
    QString Value(const QString& table, OID oid, const QString& field) {
        auto ds = Open(table, "OID = " + QString::number(oid));
        ds->MoveFirst();
        return ds->HasCurrentRow() ? ds->GetValue(field).toString() : QString();
    }
    // The date picker, when it opens, confirmed on `date`.
    void PickDate(const QDate& date) {
        OnWindow([date](QDialog& picker) {
            Child<QCalendarWidget>(picker, "calTimeSetting")->setSelectedDate(date);
            Child<QPushButton>(picker, "cmdSetting")->click();
        });
    }
    // Shows a section: selects the tree node and refreshes the view as a click does.
    template <typename Node> void Show(const Node& node) {
        ASSERT_TRUE(main->SelectNode(node));
        main->RefreshDetailView();
    }
    // The element of a menu array for a field.
    QAction* Element(const QString& array, const QString& field) {
        return main->MenuArray(array)[size_t(Index(array, field))];
    }
    int Index(const QString& array, const QString& field) {
        const auto& elements = main->MenuArray(array);
        for (size_t i = 1; i < elements.size(); ++i)
            if (Tag(elements[i]).toString() == field) return int(i);
        ADD_FAILURE() << "no " << field.toStdString() << " in " << array.toStdString();
        return 0;
    }
    // The text dialog, when it opens: `text` typed (null: left as it opens), then OK.
    void Answer(const QString& text, bool internal = false) {
        OnWindow([this, text, internal](QDialog& d) {
            QApplication::processEvents(); // what was typed before it opened
            asked << d.windowTitle() + ":" + Child<QLabel>(d, "lblFieldName")->text() + ":" +
                         Child<QLineEdit>(d, "txtSearch")->text();
            if (!text.isNull()) Child<QLineEdit>(d, "txtSearch")->setText(text);
            Child<QCheckBox>(d, "chkInternal")->setChecked(internal);
            Child<QPushButton>(d, "cmdOk")->click();
        });
    }
    DbmsGridModel* Model() { return qobject_cast<DbmsGridModel*>(main->dgView->model()); }
    QModelIndex Cell(OID oid, const QString& field) {
        return Model()->index(Model()->RowOf(oid), Model()->ColumnOf(field));
    }
    QString WorkDir() const { return m_dir.filePath("data"); }
    QString ArchivePath() const { return WorkDir() + "/Tessarin.mdb"; }
    FixedClock m_march{QDateTime(QDate(2005, 3, 15), QTime(10, 20))};
    // What the program's start makes once and hands to the window, which they outlive.
    clsSettings settings;
    clsArchiveSession session;
    std::unique_ptr<frmMain> main;
    QStringList asked; // title:field:text of every text dialog shown
};
