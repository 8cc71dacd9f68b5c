// The barcode reader on the serial port: switched on and off from the main window, its codes
// typed into the field the active window has registered.
#include "frmMain.h"

#include "clsBarcodeReader.h"
#include "clsSettings.h"
#include "itfPrompter.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QToolButton>

void frmMain::SetBarcodeReader(bool enable) {
    const QString port =
        QString("COM%1 - %2").arg(m_settings.COMPortNumber).arg(m_settings.COMPortParam);
    if (enable && !MSComm->IsOpen()) {
        QString error;
        if (!MSComm->Open(m_settings.COMPortNumber, m_settings.COMPortParam,
                          m_settings.COMPortDevice, &error)) {
            ShowMessage(this,
                        "Impostazione porta (" + port +
                            ") controllo lettore codici a barre fallita: \r\r" + error,
                        PromptIcon::Critical);
            ShowReaderState(false);
            return;
        }
        SetStatusMsg("Lettore codici a barre attivato (" + port + ")");
    } else if (!enable && MSComm->IsOpen()) {
        MSComm->Close();
        SetStatusMsg("Lettore codici a barre disattivato");
    }
    ShowReaderState(enable);
    // Whatever waited was read before this moment: it belongs to no one now.
    MSComm->Flush();
    m_settings.Save();
}

void frmMain::ShowReaderState(bool enabled) {
    m_settings.BarcodeReaderEnabled = enabled;
    ToolButton("BarcodeReader")->setChecked(enabled);
    Menu("mnuBarcodeReader")->setChecked(enabled);
}

void frmMain::MSComm_OnComm() {
    // Events are let through below, so a second notification may come in meanwhile: the loop
    // that is already running reads its characters.
    if (m_blnBarcodeBusy) return;
    m_blnBarcodeBusy = true;
    for (;;) {
        QApplication::processEvents();
        MSComm->ReadWaiting();
        if (MSComm->Buffer().TakeDropped())
            SetStatusMsg(QString("Codice a barre scartato: più di %1 caratteri senza fine riga")
                             .arg(clsBarcodeBuffer::MaxCode));
        const QString code = MSComm->Buffer().ReadCode();
        if (code.isEmpty()) break;
        SetStatusMsg("Letto codice a barre: <" + code + ">");
        QLineEdit* target = m_barcodeTarget;
        if (!target) continue;
        if (!target->window()->isActiveWindow()) {
            Prompter().Beep();
            continue;
        }
        try {
            target->setText(code + "\r");
        } catch (const std::exception& e) {
            SetStatusMsg("Impossibile impostare il codice: <" + code + "> - " +
                         QString::fromUtf8(e.what()));
            break;
        }
    }
    m_blnBarcodeBusy = false;
}
