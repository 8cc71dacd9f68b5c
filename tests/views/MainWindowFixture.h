#pragma once
// The main window over a real archive in a temporary working folder, with its own settings
// store, program folder and frozen clock; the scripted prompter answers every question.

#include "DbmsClock.h"
#include "ScriptedPrompter.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMain.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class QDialog;
// Answers the options window with OK; leaves any dialog with Cancel.
int ConfirmOptions(QDialog& dialog);
int Reject(QDialog&);
// A mouse click on a row of a grid, as a user's.
void Click(QAbstractItemView* view, const QModelIndex& index,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier);

inline const QDateTime March10(QDate(2005, 3, 10), QTime(9, 0));

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window and runs its first activation, which opens (or creates) the archive
    // in RootDir; `wasActivated` is what the window would hand to the opening routine.
    frmMain& Start();
    // The window shown and active, so its keys and shortcuts reach it as a user's do.
    frmMain& StartShown();
    // What the desktop does when a window in front of the main one goes away.
    void Activate();
    // Adds a customer and a sale of `day` for it; returns the sale's OID.
    OID AddSale(const QString& code, const QDateTime& day);
    OID AddCustomer(const QString& code, const QString& surname) {
        return Open("Clienti")->AddRow({{"Codice", code}, {"Cognome", surname}});
    }
    // A sale of March 10 with `lines` articles sold, for a new customer.
    OID SaleWithLines(const QString& code, int lines);
    std::shared_ptr<DbmsDataSource> Open(const QString& table, const QString& filter = {}) {
        return session.Database()->Item(table)->OpenDataSource(filter);
    }
    qint64 Count(const QString& table) { return Open(table)->RowCount(); }
    // A field of a row as stored, empty when there is no such row.
    QString Value(const QString& table, OID oid, const QString& field);
    // Shows a section: selects the tree node and refreshes the view as a click does.
    void Show(const QString& key) { ShowSelected(main->SelectNode(key)); }
    void Show(int index) { ShowSelected(main->SelectNode(index)); }
    void ShowSelected(bool selected) {
        ASSERT_TRUE(selected);
        main->RefreshDetailView();
    }
    QString WorkDir() const { return m_dir.filePath("data"); }
    QString ArchivePath() const { return WorkDir() + "/Tessarin.mdb"; }

    QTemporaryDir m_dir;
    ScriptedPrompter prompter;
    // What the program's start makes once and hands to the window, which they outlive.
    clsSettings settings;
    clsArchiveSession session;
    std::unique_ptr<frmMain> main;
};
