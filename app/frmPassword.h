#pragma once
// The login window and the change of password. With no password set the login asks nothing;
// the new password is kept scrambled in the password file (modPassword).

#include "itfPrompter.h"

#include <QByteArray>
#include <QDialog>

#include <exception>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

class frmPassword : public QDialog {
    Q_OBJECT
public:
    explicit frmPassword(QWidget* parent = nullptr);

    // The login (bChange false) or the change of password (bChange true); true when the user may
    // go on. sExternPassword: nullptr = read the password file; otherwise the clear password
    // given by the caller, and on return it holds the window's m_strPwd. bDisableChange hides
    // chkNew. An error reading or writing the password file is thrown from here; a write error
    // closes the window with the old password kept and Validated() true (it was typed right).
    bool ValidatePassword(QWidget* frmParent, bool bChange, QString* sExternPassword = nullptr,
                          bool bDisableChange = false);
    bool Validated() const { return m_blnValidated; }
    bool Changed() const { return m_blnChanged; }
    // m_strPwd as text: the stored password scrambled, or the new one in clear after a change.
    QString Password() const;

    QLineEdit* txtPassword;
    QCheckBox* chkNew;
    QLabel* lblNew;
    QLineEdit* txtNewPwd;
    QLabel* lblConfirmNewPwd;
    QLineEdit* txtConfirmNewPwd;
    QPushButton* cmdConfirm;
    QPushButton* cmdCancel;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowNewPassword(bool show);
    void Confirm();
    void Refuse(const QString& text, PromptIcon icon, QWidget* focus);

    QWidget* fraNew; // the new-password area, shown only while chkNew is ticked

    QByteArray m_strPwd; // Latin-1 bytes
    bool m_blnValidated = false;
    bool m_blnExternal = false;
    bool m_blnChanged = false;
    std::exception_ptr m_writeError; // thrown from ValidatePassword, not through the event loop
};
