#include "MainWindowFixture.h"

#include "InitDatabase.h"
#include "frmMessage.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTest>

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

int Reject(QDialog&) {
    return QDialog::Rejected;
}

void Click(QAbstractItemView* view, const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                      view->visualRect(index).center());
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

frmMain& MainWindowTest::StartShown() {
    frmMain& window = Start();
    window.show();
    Activate();
    return window;
}

void MainWindowTest::Activate() {
    QApplication::processEvents();
    main->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(main.get()));
}

OID MainWindowTest::AddSale(const QString& code, const QDateTime& day) {
    return Open("OperazioniVendite")
        ->AddRow({{"Cliente", AddCustomer(code, "Cliente " + code)}, {"Data", day}});
}

OID MainWindowTest::SaleWithLines(const QString& code, int lines) {
    const OID sale = AddSale(code, March10);
    auto db = session.Database();
    const OID article = db->Item("Articoli")
                            ->OpenDataSource()
                            ->AddRow({{"Codice", "A" + code}, {"Descrizione", "Volo " + code}});
    auto sold = db->Item("OperazioniVendite")->OpenDataSource()->GetReferenceOf(sale, "Articoli");
    for (int i = 1; i <= lines; ++i)
        sold->AddRow({{"OID_Articoli", article}, {"Quantita", i}});
    return sale;
}

QString MainWindowTest::Value(const QString& table, OID oid, const QString& field) {
    auto ds = Open(table, "OID = " + QString::number(oid));
    ds->MoveFirst();
    return ds->HasCurrentRow() ? ds->GetValue(field).toString() : QString();
}
