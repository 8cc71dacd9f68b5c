#include "MainWindowFixture.h"

#include "InitDatabase.h"
#include "frmMessage.h"

#include <QAbstractItemView>
#include <QFile>
#include <QPushButton>

MainWindowTest::MainWindowTest() {
    settings.Load();
    settings.RootDir = WorkDir();
    session.SetDateSelection(false, false);
}

void MainWindowTest::TearDown() {
    main.reset();
    frmMessage::Unload();
    session.Release();
    WindowTest::TearDown();
}

int Reject(QDialog&) {
    return QDialog::Rejected;
}

void Click(QAbstractItemView* view, const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                      view->visualRect(index).center());
}

frmMain& MainWindowTest::Start() {
    if (!QFile::exists(ArchivePath()))
        prompter.Dialog([](QDialog& options) {
            Child<QPushButton>(options, "cmdOK")->click();
            return int(QDialog::Accepted);
        });
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
    const OID sale = AddSale(code);
    const OID article = Open("Articoli")->AddRow({{"Codice", "A" + code}, {"Descrizione", "Volo"}});
    auto sold = Open("OperazioniVendite")->GetReferenceOf(sale, "Articoli");
    for (int i = 1; i <= lines; ++i)
        sold->AddRow({{"OID_Articoli", article}, {"Quantita", i}});
    return sale;
}

QString MainWindowTest::Value(const QString& table, OID oid, const QString& field) {
    auto ds = Open(table, "OID = " + QString::number(oid));
    ds->MoveFirst();
    return ds->HasCurrentRow() ? ds->GetValue(field).toString() : QString();
}
