#pragma once
// The details of an unexpected error: its code and full text, which the user can save to a
// file, look at in the browser or send to support.

#include <QDialog>

class clsSettings;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class frmShowException : public QDialog {
    Q_OBJECT
public:
    // `settings` gives the support address.
    explicit frmShowException(const clsSettings& settings, QWidget* parent = nullptr);

    // A message without any CR LF pair has each bare CR turned into one.
    void SetException(const QString& code, const QString& message);

private:
    void cmdSave_Click();
    void cmdBrowser_Click();
    void cmdSupport_Click();
    // Writes `text` (UTF-8) to `path`, replacing it; tells the user when that fails.
    bool WriteFile(const QString& path, const QString& text);

    QLabel* lblCode;
    QPlainTextEdit* txtMsg;
    QPushButton* cmdSave;
    QPushButton* cmdBrowser;
    QPushButton* cmdSupport;
    QPushButton* cmdEsc;

    const clsSettings& m_settings;
    QString m_strCode;
    QString m_strMessage;
};

// The mail link of a support request to `address`: subject "SUPPORT REQUEST", body "Error: "
// with the code and the message.
QString SupportMailLink(const QString& address, const QString& code, const QString& message);
