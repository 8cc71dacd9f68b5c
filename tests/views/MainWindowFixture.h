#pragma once
// The main window over a real archive in a temporary working folder, with the environment and
// the scripted prompter of every window test, the clock frozen on 15 March 2005.

#include "WindowTest.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMain.h"

#include <memory>

class QAbstractItemView;

inline const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

int Reject(QDialog&);
// A mouse click on a row of a grid, as a user's.
void Click(QAbstractItemView* view, const QModelIndex& index, Qt::KeyboardModifiers modifiers = {});

class MainWindowTest : public WindowTest {
protected:
    MainWindowTest();
    void TearDown() override;

    // Creates the window and runs its first activation, which opens (or creates, asking for
    // the options first) the archive in WorkDir.
    frmMain& Start();
    // The window shown and active, so its keys and shortcuts reach it as a user's do.
    frmMain& StartShown();
    // What the desktop does when a window in front of the main one goes away.
    void Activate();
    OID AddCustomer(const QString& code, const QString& surname) {
        return Open("Clienti")->AddRow({{"Codice", code}, {"Cognome", surname}});
    }
    // A sale of `day` for a new customer; with `lines` articles sold of March 10.
    OID AddSale(const QString& code, const QDateTime& day = March10);
    OID SaleWithLines(const QString& code, int lines);
    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& filter = {}) {
        return session.Database()->Item(table)->OpenDataSource(filter);
    }
    qint64 Count(const QString& table) { return Open(table)->RowCount(); }
    // A field of a row as stored, empty when there is no such row.
    QString Value(const QString& table, OID oid, const QString& field);
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
