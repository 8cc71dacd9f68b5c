#pragma once
// The main window over a real archive in a temporary working folder, with the environment and
// the scripted prompter of every window test, the clock frozen on 15 March 2005.

#include "InitDatabase.h"
#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMain.h"
#include "frmMessage.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QFile>
#include <QPushButton>
#include <memory>

inline const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

inline int Reject(QDialog&) {
    return QDialog::Rejected;
}
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
    }
    void TearDown() override {
        main.reset();
        frmMessage::Unload();
        session.Release();
        WindowTest::TearDown();
    }
    // Creates the window and runs its first activation, which opens (or creates, asking for
    // the options first) the archive in WorkDir.
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
    // What the desktop does when a window in front of the main one goes away, or when the user
    // brings another one forward.
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
    QString WorkDir() const { return m_dir.filePath("data"); }
    QString ArchivePath() const { return WorkDir() + "/Tessarin.mdb"; }
    FixedClock m_march{QDateTime(QDate(2005, 3, 15), QTime(10, 20))};
    // What the program's start makes once and hands to the window, which they outlive.
    clsSettings settings;
    clsArchiveSession session;
    std::unique_ptr<frmMain> main;
};
