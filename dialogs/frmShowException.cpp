#include "frmShowException.h"

#include "clsSettings.h"
#include "itfPrompter.h"
#include "modOSWinUtil.h"
#include "modPaths.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

frmShowException::frmShowException(const clsSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setObjectName("frmShowException");
    setWindowTitle("Dettagli errore");

    auto* caption = new QLabel("Codice errore:", this);
    lblCode = new QLabel(this);
    lblCode->setObjectName("lblCode");
    lblCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = lblCode->font();
    bold.setBold(true);
    lblCode->setFont(bold);
    txtMsg = new QPlainTextEdit(this);
    txtMsg->setObjectName("txtMsg");
    txtMsg->setReadOnly(true);
    txtMsg->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtMsg->setMinimumSize(520, 220);

    cmdSave = new QPushButton("&Salva...", this);
    cmdSave->setObjectName("cmdSave");
    cmdBrowser = new QPushButton("&Browser", this);
    cmdBrowser->setObjectName("cmdBrowser");
    cmdSupport = new QPushButton("S&upporto", this);
    cmdSupport->setObjectName("cmdSupport");
    cmdEsc = new QPushButton("&Chiudi", this);
    cmdEsc->setObjectName("cmdEsc");
    cmdEsc->setDefault(true);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(caption);
    codeRow->addWidget(lblCode, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdBrowser);
    buttons->addWidget(cmdSupport);
    buttons->addStretch();
    buttons->addWidget(cmdEsc);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(codeRow);
    layout->addWidget(txtMsg, 1);
    layout->addLayout(buttons);

    connect(cmdSave, &QPushButton::clicked, this, &frmShowException::cmdSave_Click);
    connect(cmdBrowser, &QPushButton::clicked, this, &frmShowException::cmdBrowser_Click);
    connect(cmdSupport, &QPushButton::clicked, this, &frmShowException::cmdSupport_Click);
    connect(cmdEsc, &QPushButton::clicked, this, &QDialog::reject);
}

void frmShowException::SetException(const QString& code, const QString& message) {
    m_strCode = code;
    m_strMessage = message;
    if (!m_strMessage.contains("\r\n")) m_strMessage.replace('\r', "\r\n");
    lblCode->setText(code);
    QString lines = m_strMessage;
    lines.replace("\r\n", "\n");
    txtMsg->setPlainText(lines);
}

void frmShowException::cmdSave_Click() {
    const QString path = Prompter().SaveFileName(
        this, "Salva con nome", modPaths::MakeFilePath(modPaths::AppDir(), "LastError.txt", ""),
        "Testo (*.txt)");
    if (path.isEmpty() || !ConfirmReplace(this, path)) return;
    WriteFile(path, "Error: " + m_strCode + m_strMessage + "\r\n");
}

void frmShowException::cmdBrowser_Click() {
    const QString path = modPaths::MakeFilePath(modPaths::AppDir(), "Error.htm", "");
    // The text goes in as text: a description quoting user input must not become markup.
    const QString page = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">"
                         "<title>Error</title></head><body><pre>\r\n" +
                         m_strMessage.toHtmlEscaped() + "\r\n</pre></body></html>\r\n";
    if (!WriteFile(path, page)) return;
    modOSWinUtil::ShellExec(path, "open", "", "", false);
}

void frmShowException::cmdSupport_Click() {
    modOSWinUtil::ShellExec(SupportMailLink(m_settings.SupportEMail, m_strCode, m_strMessage),
                            "open", "", "", false);
}

bool frmShowException::WriteFile(const QString& path, const QString& text) {
    // Written aside and renamed into place: a failed write leaves the old file whole.
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    QString reason;
    if (file.open(QIODevice::WriteOnly)) {
        // Flushed here: a write error met only by the commit's own flush does not stop it.
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            reason = file.errorString();
            file.cancelWriting();
        }
        if (file.commit()) return true;
    }
    if (reason.isEmpty()) reason = file.errorString();
    ShowMessage(this, "Impossibile scrivere il file " + path + "\r\r" + reason,
                PromptIcon::Exclamation);
    return false;
}

QString SupportMailLink(const QString& address, const QString& code, const QString& message) {
    QString body;
    for (const QChar c : "Error: " + code + message) {
        switch (c.unicode()) {
        case ' ':
            body += "%20";
            break;
        case '\r':
            body += "%0d";
            break;
        case '\n':
            body += "%0a";
            break;
        // These would end the body or start another field of the link; a quoted "&cc=..."
        // must not add recipients.
        case '%':
            body += "%25";
            break;
        case '&':
            body += "%26";
            break;
        case '#':
            body += "%23";
            break;
        default:
            body += c;
        }
    }
    return "mailto:" + address + "?subject=SUPPORT%20REQUEST&body=" + body;
}
