#include "Main.h"

#include "CommandLine.h"
#include "DbmsClock.h"
#include "InitDatabase.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "clsSingleInstance.h"
#include "frmAddClienti.h"
#include "frmMain.h"
#include "frmMessage.h"
#include "frmPassword.h"
#include "frmSplash.h"
#include "frmVendite.h"
#include "itfPrompter.h"
#include "modTranslations.h"

#include <QApplication>
#include <QLocale>

namespace modGlobal {

namespace {
const QString kChangeFailed = "Modifica password fallita: resta valida la password precedente.";
} // namespace

bool Login(QWidget* parent, const clsSettings& settings) {
    frmPassword password;
    try {
        return password.ValidatePassword(parent, false);
    } catch (const std::exception& e) {
        // Validated: the password was typed right and only the new one could not be written.
        const QString text = password.Validated()
                                 ? kChangeFailed
                                 : "Impossibile leggere la password: il programma non può partire.";
        ReportError(settings, text + "\r\r" + ErrorDescription(e), e, parent);
        return password.Validated();
    }
}

int Main(int argc, char** argv) {
    if (const auto code = HandleCommandLine(argc, argv)) return *code;
    DbmsClock::PinTimeZone();
    QApplication app(argc, argv);
    // A second copy only says so and ends: it reads no settings and writes nothing.
    clsSingleInstance guard;
    if (!guard.TryLock()) {
        ShowMessage(nullptr, SecondInstanceMessage(), PromptIcon::Information);
        return 0;
    }
    QApplication::setApplicationName("Tessarin");
    QApplication::setOrganizationName("Tessarin");
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    LoadItalianTranslations(app);

    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // The one session and settings of this run, handed to every window.
    clsSettings settings;
    settings.Load();
    clsArchiveSession session;
    session.SetDateSelection(settings.UseDateSelection, false);
    if (!Login(splash.get(), settings)) return 0;

    frmMain* main = nullptr;
    frmMain::Hooks hooks;
    hooks.InitDatabase = [&main, &session, &settings](bool wasActivated) {
        if (!InitDatabase(session, settings, wasActivated, main, main, main))
            QCoreApplication::exit(0);
    };
    // The sale and customer windows send the reader's codes through the main window.
    const auto barcodeTarget = [&main](QLineEdit* target) { main->SetBarcodeControl(target); };
    hooks.NewVendita = [barcodeTarget, &session, &settings](QWidget* owner) {
        frmVendite::ShowModal(owner, session, settings, barcodeTarget);
    };
    hooks.NewCliente = [barcodeTarget, &session, &settings](QWidget* owner) {
        frmAddClienti::ShowModal(owner, session, settings, barcodeTarget);
    };
    hooks.ChangePassword = [&settings](QWidget* owner) {
        try {
            frmPassword password;
            password.ValidatePassword(owner, true);
        } catch (const std::exception& e) {
            ReportError(settings, kChangeFailed + "\r\r" + ErrorDescription(e), e, owner);
        }
    };
    auto window = std::make_unique<frmMain>(session, settings, std::move(hooks));
    main = window.get();
    splash.reset();
    window->show();
    const int code = QApplication::exec();

    // Shutdown: views first, then the database, then the storage.
    window.reset();
    session.Release();
    return code;
}

} // namespace modGlobal
