// The sale's customer: by code typed or read, from the list, or created on the spot.
#include "frmVendite.h"

#include "DbmsFormService.h"
#include "clsArchiveSession.h"
#include "itfPrompter.h"
#include "modCode.h"
#include "modTag.h"

#include <QLineEdit>
#include <QPushButton>

void frmVendite::txtCode_Cliente_Change() {
    const QString code = ExtractCode(txtCode_Cliente->text());
    if (!code.isEmpty() && code != Tag(txtCode_Cliente).toString()) LookupCustomer(code);
}

void frmVendite::LookupCustomer(const QString& code) {
    if (m_blnLookup) return;
    Guarded([&] {
        // While the user is asked, a change of the field must not start a second lookup.
        m_blnLookup = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{m_blnLookup};
        Lookup(code);
    });
}

void frmVendite::Lookup(const QString& code) {
    txtCode_Cliente->setText(code); // no line end left: this change looks up nothing
    // The code goes into the filter only as a quoted literal: a quote in it is just a quote.
    auto customers = m_session.Database()->Item("Clienti")->OpenDataSource(
        "Codice=" + DbmsDatabase::TextLiteral(code));
    QVariant customer;
    const int size = customers->FieldInfo("Codice")->Size;
    if (code.size() > size) {
        // No card is that long, and a new customer would get the code cut short.
        Prompter().Beep();
        ShowMessage(this, QString("Il codice cliente può avere al massimo %1 caratteri.").arg(size),
                    PromptIcon::Exclamation);
        txtCode_Cliente->setFocus();
    } else if (!customers->IsEmpty()) {
        customers->MoveFirst();
        customer = customers->CurrentOID();
    } else {
        Prompter().Beep();
        if (ShowMessage(this, "Codice cliente non presente...\r\rVuoi immetterlo?",
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::Yes) == PromptAnswer::Yes)
            customer = FormService().ShowRowEditor(this, *customers, true, {{"Codice", code}});
        if (!customer.isValid()) txtCode_Cliente->setFocus();
    }
    m_blnLookup = false;
    if (customer.isValid())
        Set_Vendita(customer.toLongLong());
    else
        txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
}

void frmVendite::txtCode_Cliente_LostFocus() {
    const QString text = txtCode_Cliente->text();
    if (!text.isEmpty() && text != Tag(txtCode_Cliente).toString()) {
        txtCode_Cliente->setText(text + "\r"); // a code typed by hand ends when the field is left
    } else if (text.isEmpty() && m_articles && m_articles->RowCount() >= 1) {
        cmdCancel_Click();
        txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
    }
    cmdConfirm->setDefault(true);
}

void frmVendite::cmdSet_Cliente_Click() {
    Guarded([&] {
        auto customers = m_session.Database()->Item("Clienti")->OpenDataSource();
        const QVariant chosen = FormService().ShowSelectionList(this, *customers);
        if (chosen.isValid())
            Set_Vendita(chosen.toLongLong());
        else
            txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
    });
}

void frmVendite::txtCliente_DblClick() {
    Guarded([&] {
        if (!m_sale) return;
        auto customer = m_sale->GetReference("Cliente");
        if (customer->IsEmpty()) return;
        customer->MoveFirst();
        const QVariant edited = FormService().ShowRowEditor(this, *customer, false);
        if (edited.isValid()) Set_Vendita(edited.toLongLong());
    });
}
