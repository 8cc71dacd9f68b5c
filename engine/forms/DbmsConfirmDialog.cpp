#include "DbmsConfirmDialog.h"

#include "itfPrompter.h"

#include <QDialogButtonBox>
#include <QPushButton>

DbmsConfirmDialog::DbmsConfirmDialog(QWidget* owner) : QDialog(owner) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

int DbmsConfirmDialog::Run() {
    const int result = Prompter().Exec(*this);
    // A prompter may close the window without OK having run (tests answering directly).
    if (result == QDialog::Accepted && !m_stored) m_stored = Store();
    return result == QDialog::Accepted && m_stored ? QDialog::Accepted : QDialog::Rejected;
}

void DbmsConfirmDialog::accept() {
    if (!m_stored) m_stored = Store();
    if (m_stored) QDialog::accept();
}

QDialogButtonBox* DbmsConfirmDialog::MakeButtons(const QString& okText, const QString& cancelText) {
    auto* box = new QDialogButtonBox(this);
    QPushButton* ok = box->addButton(okText, QDialogButtonBox::AcceptRole);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    if (!cancelText.isEmpty()) {
        QPushButton* cancel = box->addButton(cancelText, QDialogButtonBox::RejectRole);
        cancel->setObjectName("cmdCancel");
    }
    connect(box, &QDialogButtonBox::accepted, this, &DbmsConfirmDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &DbmsConfirmDialog::reject);
    return box;
}
