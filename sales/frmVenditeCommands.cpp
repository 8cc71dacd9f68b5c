// The clerk's commands: the customer by code typed or read, from the list or created on the
// spot; the article lines. The rules they follow are clsVendita's.
#include "frmVendite.h"

#include "modCode.h"
#include "modTag.h"
#include "modVenditeLayout.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>

void frmVendite::txtCode_Cliente_Change() {
    const QString code = ExtractCode(txtCode_Cliente->text());
    if (!code.isEmpty() && code != Tag(txtCode_Cliente).toString()) LookupCustomer(code);
}

void frmVendite::LookupCustomer(const QString& code) {
    if (m_blnLookup) return;
    Guarded([&] {
        txtCode_Cliente->setText(code); // no line end left: this change looks up nothing
        // While the user is asked, a change of the field must not start a second lookup.
        const QScopedValueRollback<bool> asking(m_blnLookup, true);
        const OID customer = m_vendita.LookupCustomer(code);
        m_blnLookup = false;
        if (customer != 0) return Set_Vendita(customer);
        txtCode_Cliente->setFocus();
        txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
    });
}

void frmVendite::txtCode_Cliente_LostFocus() {
    const QString text = txtCode_Cliente->text();
    if (!text.isEmpty() && text != Tag(txtCode_Cliente).toString()) {
        txtCode_Cliente->setText(text + "\r"); // a code typed by hand ends when the field is left
    } else if (text.isEmpty() && m_vendita.HasLines()) {
        cmdCancel_Click();
        txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
    }
    cmdConfirm->setDefault(true);
}

void frmVendite::cmdSet_Cliente_Click() {
    Guarded([&] {
        if (const OID chosen = m_vendita.ChooseCustomer())
            Set_Vendita(chosen);
        else
            txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
    });
}

void frmVendite::txtCliente_DblClick() {
    Guarded([&] {
        if (const OID edited = m_vendita.EditCustomer()) Set_Vendita(edited);
    });
}

void frmVendite::SetBarcodeField(QLineEdit* target) {
    if (m_setBarcodeControl) m_setBarcodeControl(target);
    QLineEdit* other = target == txtCode_Articolo ? txtCode_Cliente : txtCode_Articolo;
    target->setStyleSheet("QLineEdit { background: #FFF5C0; }");
    other->setStyleSheet("QLineEdit { background: #FFFFFF; }");
}

void frmVendite::txtCode_Articolo_Change() {
    const QString code = ExtractCode(txtCode_Articolo->text());
    if (code.isEmpty()) return;
    txtCode_Articolo->setText(code);
    cmdAutoAdd_Click();
}

void frmVendite::cmdAutoAdd_Click() {
    Guarded([&] {
        if (!IsSaleOpen()) return;
        if (const OID line = m_vendita.AddArticle(txtCode_Articolo->text())) {
            ShowRows(line);
            txtCode_Articolo->clear();
        }
        txtCode_Articolo->setFocus();
    });
}
