// The clerk's commands: the customer by code typed or read, from the list or created on the
// spot; the article lines. The rules they follow are clsVendita's.
#include "frmVendite.h"

#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "clsArchiveSession.h"
#include "frmSearchText.h"
#include "itfPrompter.h"
#include "modCode.h"
#include "modTag.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

// --- the customer ---

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
    OID customer = 0;
    try {
        customer = m_vendita.FindCustomer(code);
        if (customer == 0) {
            Prompter().Beep();
            if (ShowMessage(this, "Codice cliente non presente...\r\rVuoi immetterlo?",
                            PromptIcon::Question, PromptButtons::YesNo,
                            PromptAnswer::Yes) == PromptAnswer::Yes)
                customer = m_vendita.NewCustomer(code);
            if (customer == 0) txtCode_Cliente->setFocus();
        }
    } catch (const DbmsError& e) {
        if (e.Code() != DbmsError::BadValue) throw;
        Prompter().Beep();
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
        txtCode_Cliente->setFocus();
    }
    m_blnLookup = false;
    if (customer != 0)
        Set_Vendita(customer);
    else
        txtCode_Cliente->setText(Tag(txtCode_Cliente).toString());
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
        if (!IsSaleOpen()) return;
        auto customer = m_vendita.Sale()->GetReference("Cliente");
        if (customer->IsEmpty()) return;
        customer->MoveFirst();
        const QVariant edited = FormService().ShowRowEditor(this, *customer, false);
        if (edited.isValid()) Set_Vendita(edited.toLongLong());
    });
}

// --- the lines ---

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

OID frmVendite::CurrentLine(QTableView* grid) const {
    auto* model = qobject_cast<DbmsGridModel*>(grid->model());
    const QModelIndex index = grid->currentIndex();
    return model && index.isValid() ? model->OIDAt(index.row()) : 0;
}

OID frmVendite::ChooseArticle() {
    frmSearchText& search = frmSearchText::Instance();
    bool confirmed = false;
    search.setWindowTitle("Cerca");
    if (!search.GetSelection(this, "Descrizione", true, false, confirmed)) return 0;
    const QString text = search.ResultText();
    QString filter;
    if (!text.isEmpty())
        filter = search.Internal()
                     ? "Articoli.Descrizione Like " + DbmsDatabase::TextLiteral("%" + text + "%")
                     : "Articoli.Descrizione > " + DbmsDatabase::TextLiteral(text);
    auto found =
        m_session.Database()->Item("Articoli")->OpenDataSource(filter, "Articoli.Descrizione");
    return FormService().ShowSelectionList(this, *found).toLongLong();
}

void frmVendite::cmdAutoAdd_Click() {
    Guarded([&] {
        if (!IsSaleOpen()) return;
        const QString code = txtCode_Articolo->text();
        OID line = 0;
        if (!code.isEmpty()) {
            line = m_vendita.AddArticle(code);
        } else if (const OID article = ChooseArticle()) {
            line = m_vendita.AddArticle(article);
        }
        if (line != 0) {
            ShowRows(line);
            txtCode_Articolo->clear();
        }
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::cmdAddItem_Click() {
    Guarded([&] {
        if (IsSaleOpen()) ShowRows(m_vendita.AddLine());
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::cmdEdit_Click() {
    Guarded([&] {
        const OID line = CurrentLine(dgArticoli);
        m_vendita.EditLine(line);
        ShowRows(line);
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::cmdDeleteItem_Click() {
    Guarded([&] {
        m_vendita.RemoveLine(CurrentLine(dgArticoli));
        ShowRows();
        txtCode_Articolo->setFocus();
    });
}
