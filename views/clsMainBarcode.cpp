// The barcode reader on the serial port: switched on and off from the main window, its codes
// typed into the field the active window has registered.
#include "clsMainBarcode.h"

#include "clsBarcodeReader.h"
#include "clsSettings.h"
#include "itfPrompter.h"

#include <QApplication>
#include <QLineEdit>

void clsMainBarcode::SetEnabled(bool enable) {
    const QString port =
        QString("COM%1 - %2").arg(m_settings.COMPortNumber).arg(m_settings.COMPortParam);
    if (enable && !m_reader.IsOpen()) {
        QString error;
        if (!m_reader.Open(m_settings.COMPortNumber, m_settings.COMPortParam,
                           m_settings.COMPortDevice, &error)) {
            ShowMessage(&m_window,
                        "Impostazione porta (" + port +
                            ") controllo lettore codici a barre fallita: \r\r" + error,
                        PromptIcon::Critical);
            ShowState(false);
            return;
        }
        m_status("Lettore codici a barre attivato (" + port + ")");
    } else if (!enable && m_reader.IsOpen()) {
        m_reader.Close();
        m_status("Lettore codici a barre disattivato");
    }
    ShowState(enable);
    // Whatever waited was read before this moment: it belongs to no one now.
    m_reader.Flush();
    m_settings.Save();
}

void clsMainBarcode::ShowState(bool enabled) {
    m_settings.BarcodeReaderEnabled = enabled;
    m_shown(enabled);
}

void clsMainBarcode::OnComm() {
    // Events are let through below, so a second notification may come in meanwhile: the loop
    // that is already running reads its characters.
    if (m_blnBusy) return;
    m_blnBusy = true;
    for (;;) {
        QApplication::processEvents();
        m_reader.ReadWaiting();
        if (m_reader.Buffer().TakeDropped())
            m_status(QString("Codice a barre scartato: più di %1 caratteri senza fine riga")
                         .arg(clsBarcodeBuffer::MaxCode));
        const QString code = m_reader.Buffer().ReadCode();
        if (code.isEmpty()) break;
        m_status("Letto codice a barre: <" + code + ">");
        QLineEdit* target = Target;
        if (!target) continue;
        if (!target->window()->isActiveWindow()) {
            Prompter().Beep();
            continue;
        }
        try {
            target->setText(code + "\r");
        } catch (const std::exception& e) {
            m_status("Impossibile impostare il codice: <" + code + "> - " +
                     QString::fromUtf8(e.what()));
            break;
        }
    }
    m_blnBusy = false;
}
