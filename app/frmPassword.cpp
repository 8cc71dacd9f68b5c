#include "frmPassword.h"

#include "itfPrompter.h"
#include "modPassword.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {

QLineEdit* PasswordField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setEchoMode(QLineEdit::Password);
    field->setMinimumWidth(200);
    return field;
}

} // namespace

frmPassword::frmPassword(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPassword");
    setWindowTitle("Password");

    txtPassword = PasswordField("txtPassword", this);
    auto* lblPassword = new QLabel("&Password:", this);
    lblPassword->setBuddy(txtPassword);
    chkNew = new QCheckBox("&Cambia password", this);
    chkNew->setObjectName("chkNew");

    fraNew = new QWidget(this);
    txtNewPwd = PasswordField("txtNewPwd", fraNew);
    lblNew = new QLabel("&Nuova password:", fraNew);
    lblNew->setObjectName("lblNew");
    lblNew->setBuddy(txtNewPwd);
    txtConfirmNewPwd = PasswordField("txtConfirmNewPwd", fraNew);
    lblConfirmNewPwd = new QLabel("C&onferma password:", fraNew);
    lblConfirmNewPwd->setObjectName("lblConfirmNewPwd");
    lblConfirmNewPwd->setBuddy(txtConfirmNewPwd);
    auto* newFields = new QFormLayout(fraNew);
    newFields->setContentsMargins(0, 0, 0, 0);
    newFields->addRow(lblNew, txtNewPwd);
    newFields->addRow(lblConfirmNewPwd, txtConfirmNewPwd);

    cmdConfirm = new QPushButton("&OK", this);
    cmdConfirm->setObjectName("cmdConfirm");
    cmdConfirm->setDefault(true);
    cmdCancel = new QPushButton("&Annulla", this);
    cmdCancel->setObjectName("cmdCancel");

    auto* current = new QFormLayout;
    current->addRow(lblPassword, txtPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdConfirm);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(current);
    layout->addWidget(chkNew);
    layout->addWidget(fraNew);
    layout->addLayout(buttons);
    // The window grows and shrinks with the new-password area.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(chkNew, &QCheckBox::toggled, this, &frmPassword::ShowNewPassword);
    connect(cmdConfirm, &QPushButton::clicked, this, &frmPassword::Confirm);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPassword::reject);
    ShowNewPassword(false);
}

bool frmPassword::ValidatePassword(QWidget* frmParent, bool bChange, QString* sExternPassword,
                                   bool bDisableChange) {
    m_blnValidated = false;
    m_blnExternal = false;
    m_blnChanged = false;
    m_writeError = nullptr;

    if (sExternPassword) {
        m_strPwd = modPassword::Scramble(sExternPassword->toLatin1());
        m_blnExternal = true;
    } else {
        m_strPwd = modPassword::ReadStored();
        if (m_strPwd.isEmpty()) m_blnValidated = true;
    }

    txtNewPwd->clear();
    txtConfirmNewPwd->clear();
    if (bChange && !bDisableChange) {
        chkNew->setChecked(true);
        chkNew->setEnabled(false);
        chkNew->setVisible(true);
        txtPassword->setText(QString::fromLatin1(modPassword::Unscramble(m_strPwd)));
        txtPassword->setEnabled(false);
    } else {
        chkNew->setChecked(false);
        chkNew->setVisible(!bDisableChange);
        chkNew->setEnabled(!bDisableChange);
        txtPassword->clear();
        txtPassword->setEnabled(true);
    }
    ShowNewPassword(chkNew->isChecked());

    if (bChange || !m_strPwd.isEmpty() || m_blnExternal) {
        // Owned by the asking window only while it asks: the splash goes before this window.
        QWidget* owner = parentWidget();
        if (frmParent) setParent(frmParent, windowFlags());
        Prompter().Exec(*this);
        if (frmParent) setParent(owner, windowFlags());
        if (m_blnExternal) *sExternPassword = QString::fromLatin1(m_strPwd);
    }
    if (m_writeError) std::rethrow_exception(std::exchange(m_writeError, nullptr));
    return m_blnValidated;
}

QString frmPassword::Password() const {
    return QString::fromLatin1(m_strPwd);
}

void frmPassword::reject() {
    m_blnValidated = false;
    QDialog::reject();
}

void frmPassword::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (txtPassword->isEnabled())
        txtPassword->setFocus();
    else if (!fraNew->isHidden())
        txtNewPwd->setFocus();
}

void frmPassword::ShowNewPassword(bool show) {
    const std::initializer_list<QWidget*> controls{lblNew, txtNewPwd, lblConfirmNewPwd,
                                                   txtConfirmNewPwd};
    for (QWidget* control : controls)
        control->setEnabled(show);
    fraNew->setVisible(show);
}

void frmPassword::Confirm() {
    // A character without a Latin-1 code cannot be part of any stored password.
    const QString typed = txtPassword->text();
    if (!modPassword::IsLatin1(typed) || modPassword::Scramble(typed.toLatin1()) != m_strPwd) {
        Refuse("La password non è corretta.\r\rFare attenzione all'utilizzo delle "
               "maiuscole/minuscole",
               PromptIcon::Information, txtPassword);
        return;
    }
    if (chkNew->isChecked()) {
        const QString newPassword = txtNewPwd->text();
        if (newPassword != txtConfirmNewPwd->text()) {
            Refuse("La password di conferma non corrisponde...", PromptIcon::Exclamation,
                   txtConfirmNewPwd);
            return;
        }
        if (!modPassword::IsLatin1(newPassword)) {
            Refuse("La password può contenere solo caratteri dell'alfabeto latino (Latin-1): "
                   "lettere accentate italiane sì, simboli come € no.",
                   PromptIcon::Exclamation, txtNewPwd);
            return;
        }
        const QByteArray clear = newPassword.toLatin1();
        const QByteArray scrambled = modPassword::Scramble(clear);
        if (!m_blnExternal) {
            try {
                modPassword::WriteStored(scrambled);
            } catch (...) {
                // Thrown through the dialog's event loop it would not reach the caller intact.
                // The current password was typed right and still stands.
                m_writeError = std::current_exception();
                m_blnValidated = true;
                QDialog::accept();
                return;
            }
        }
        m_strPwd = clear;
        m_blnChanged = true;
        QString text = "La password e' stata modificata.";
        // Blanks alone scramble to nothing: no protection either.
        if (scrambled.isEmpty())
            text += "\r\rNOTA: Senza password sono disattivate tutte le restrizioni di accesso.";
        Prompter().Beep();
        ShowMessage(this, text, PromptIcon::Information);
    }
    m_blnValidated = true;
    accept();
}

void frmPassword::Refuse(const QString& text, PromptIcon icon, QWidget* focus) {
    Prompter().Beep();
    ShowMessage(this, text, icon);
    focus->setFocus();
}
