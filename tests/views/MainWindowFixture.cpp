#include "MainWindowFixture.h"

#include "InitDatabase.h"
#include "frmMessage.h"

#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>

void MainWindowTest::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath("config"));
    qputenv("TESSARIN_HOME", m_dir.filePath("home").toUtf8());
    DbmsClock::SetFixed(QDateTime(QDate(2005, 3, 15), QTime(10, 20)));
    settings.Load();
    settings.RootDir = WorkDir();
    session.SetDateSelection(false, false);
}

void MainWindowTest::TearDown() {
    main.reset();
    frmMessage::Unload();
    session.Release();
    DbmsClock::Reset();
    EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join("\n").toStdString();
}

int ConfirmOptions(QDialog& dialog) {
    auto* ok = dialog.findChild<QPushButton*>("cmdOK");
    EXPECT_NE(ok, nullptr);
    if (ok) ok->click();
    return QDialog::Accepted;
}

frmMain& MainWindowTest::Start() {
    // The first start in an empty folder asks for the options first.
    if (!QFile::exists(ArchivePath())) prompter.Dialog(ConfirmOptions);
    frmMain::Hooks hooks;
    hooks.InitDatabase = [this](bool wasActivated) {
        modGlobal::InitDatabase(session, settings, wasActivated, main.get(), main.get(),
                                main.get());
    };
    main = std::make_unique<frmMain>(session, settings, std::move(hooks));
    main->Activate();
    return *main;
}

OID MainWindowTest::AddCustomer(const QString& code, const QString& surname) {
    return session.Database()->Item("Clienti")->OpenDataSource()->AddRow(
        {{"Codice", code}, {"Cognome", surname}});
}

OID MainWindowTest::AddSale(const QString& code, const QDateTime& day) {
    const OID customer = AddCustomer(code, "Cliente " + code);
    return session.Database()
        ->Item("OperazioniVendite")
        ->OpenDataSource()
        ->AddRow({{"Cliente", customer}, {"Data", day}});
}

qint64 MainWindowTest::Count(const QString& table) {
    return session.Database()->Item(table)->OpenDataSource()->RowCount();
}

void MainWindowTest::Show(const QString& key) {
    ASSERT_TRUE(main->SelectNode(key)) << key.toStdString();
    main->RefreshDetailView();
}

void MainWindowTest::Show(int index) {
    ASSERT_TRUE(main->SelectNode(index));
    main->RefreshDetailView();
}
