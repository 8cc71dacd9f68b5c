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
// Answers the options window with OK.
int ConfirmOptions(QDialog& dialog);

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window and runs its first activation, which opens (or creates) the archive
    // in RootDir; `wasActivated` is what the window would hand to the opening routine.
    frmMain& Start();
    // Adds a customer and a sale of `day` for it; returns the sale's OID.
    OID AddSale(const QString& code, const QDateTime& day);
    OID AddCustomer(const QString& code, const QString& surname);
    qint64 Count(const QString& table);
    // Shows a section: selects the tree node and refreshes the view as a click does.
    void Show(const QString& key);
    void Show(int index);
    QString WorkDir() const { return m_dir.filePath("data"); }
    QString ArchivePath() const { return WorkDir() + "/Tessarin.mdb"; }

    QTemporaryDir m_dir;
    ScriptedPrompter prompter;
    // What the program's start makes once and hands to the window, which they outlive.
    clsSettings settings;
    clsArchiveSession session;
    std::unique_ptr<frmMain> main;
};
