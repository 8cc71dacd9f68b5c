#include "InitDatabase.h"

#include "DB.h"
#include "ReportError.h"
#include "frmMessage.h"
#include "frmOptions.h"
#include "itfPrompter.h"
#include "modGlobal.h"
#include "modOSWinUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace modGlobal {

namespace {

QString ArchivePath() {
    return MakeFilePath(RootDir, ArchiveName, "");
}

} // namespace

bool InitDatabase(bool wasActivated, QWidget* mainWindow, itfNotifyEvent* notify,
                  itfOptionsHost* host) {
    try {
        frmMessage::Instance().ShowMsg("Inizializzazione del database...", mainWindow);
        QString path = ArchivePath();
        if (!modOSWinUtil::FileExists(path, 0)) {
            if (!wasActivated) {
                frmOptions options(mainWindow, host);
                if (!options.ShowModal()) {
                    frmMessage::Unload();
                    return false;
                }
            }
            path = ArchivePath();
        }

        if (!Engine) Engine = std::make_unique<DbmsEngine>();
        DB definition;
        Database = Engine->DefineDatabase(
            definition, QFileInfo(QCoreApplication::applicationFilePath()).baseName(), notify,
            nullptr, 0);

        StorageFormat = 3;
        Storage = std::make_shared<DbmsStorage>();
        if (!modOSWinUtil::FileExists(path, 0)) {
            // A working folder typed in the options may not exist yet.
            QDir().mkpath(QFileInfo(path).absolutePath());
            Storage->CreateFile(StorageFormat, path, 0, 0);
        }
        Storage->SetOption(true);
        Storage->Open(StorageFormat, path, 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
        Database->Attach(Storage, true, false, false, 0, nullptr);
        // The other currency is chosen from the archive's own main currency, which is known
        // only once the archive is attached.
        Database->SetConversionCurrency(Database->MainCurrency()->Name() == "Euro"
                                            ? Engine->NewLiraCurrency()
                                            : Engine->NewEuroCurrency());
        frmMessage::Unload();
        // A file or folder without leave to write opens for reading only: the clerk is told
        // before any change is refused.
        if (Storage->ReadOnly())
            ShowMessage(mainWindow, Storage->ReadOnlyWarning(), PromptIcon::Exclamation);
    } catch (const std::exception& e) {
        frmMessage::Unload();
        ReportError("Inizializzazione database fallita: \r\r" + ErrorDescription(e), e, mainWindow);
    }
    return true;
}

} // namespace modGlobal
