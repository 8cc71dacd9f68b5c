#include "InitDatabase.h"

#include "DB.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "frmOptions.h"
#include "itfPrompter.h"
#include "modOSWinUtil.h"
#include "modPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace modGlobal {

namespace {

QString ArchivePath(const clsSettings& settings) {
    return modPaths::MakeFilePath(settings.RootDir, clsArchiveSession::ArchiveName, "");
}

} // namespace

bool InitDatabase(clsArchiveSession& session, clsSettings& settings, bool wasActivated,
                  QWidget* mainWindow, itfNotifyEvent* notify, itfOptionsHost* host) {
    const int format = clsArchiveSession::StorageFormat;
    try {
        frmMessage::Instance().ShowMsg("Inizializzazione del database...", mainWindow);
        QString path = ArchivePath(settings);
        if (!modOSWinUtil::FileExists(path, 0)) {
            if (!wasActivated) {
                frmOptions options(mainWindow, host, settings);
                if (!options.ShowModal()) {
                    frmMessage::Unload();
                    return false;
                }
            }
            path = ArchivePath(settings);
        }

        DbmsEngine& engine = session.Engine();
        DB definition;
        session.SetDatabase(engine.DefineDatabase(
            definition, QFileInfo(QCoreApplication::applicationFilePath()).baseName(), notify,
            nullptr, 0));
        const auto database = session.Database();

        session.SetStorage(std::make_shared<DbmsStorage>());
        const auto storage = session.Storage();
        if (!modOSWinUtil::FileExists(path, 0)) {
            // A working folder typed in the options may not exist yet.
            QDir().mkpath(QFileInfo(path).absolutePath());
            storage->CreateFile(format, path, 0, 0);
        }
        storage->SetOption(true);
        storage->Open(format, path, 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
        database->Attach(storage, true, false, false, 0, nullptr);
        // The other currency is chosen from the archive's own main currency, which is known
        // only once the archive is attached.
        database->SetConversionCurrency(database->MainCurrency()->Name() == "Euro"
                                            ? engine.NewLiraCurrency()
                                            : engine.NewEuroCurrency());
        frmMessage::Unload();
        // A file or folder without leave to write opens for reading only: the clerk is told
        // before any change is refused.
        if (storage->ReadOnly())
            ShowMessage(mainWindow, storage->ReadOnlyWarning(), PromptIcon::Exclamation);
    } catch (const std::exception& e) {
        frmMessage::Unload();
        ReportError(settings, "Inizializzazione database fallita: \r\r" + ErrorDescription(e), e,
                    mainWindow);
    }
    return true;
}

} // namespace modGlobal
