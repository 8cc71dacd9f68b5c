// The sale's article lines, its totals, and the bonuses and prizes that follow from them.
#include "frmVendite.h"

#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "clsArchiveSession.h"
#include "clsPremiBonus.h"
#include "clsSettings.h"
#include "frmSearchText.h"
#include "itfPrompter.h"
#include "modCode.h"
#include "modPunti.h"
#include "modWaitCursor.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace {

void HideColumn(QTableView* grid, const QString& field) {
    auto* model = qobject_cast<DbmsGridModel*>(grid->model());
    const int column = model ? model->ColumnOf(field) : -1;
    if (column >= 0) grid->setColumnHidden(column, true);
}

} // namespace

void frmVendite::OnSaleFieldUpdated(const QString& field) {
    if (!m_sale) return;
    if (field == "Importo") {
        lblTotale->setText(m_sale->GetText("Importo"));
        lblTotaleConv->setText(m_sale->GetText("Importo", true));
    } else if (field == "PuntiSpesi") {
        lblTot_PuntiNecessari->setText(m_sale->GetText("PuntiSpesi"));
    } else if (field == "PuntiBonus") {
        lblTot_PuntiBonus->setText(m_sale->GetText("PuntiBonus"));
    }
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

OID frmVendite::CurrentLine(QTableView* grid) const {
    auto* model = qobject_cast<DbmsGridModel*>(grid->model());
    const QModelIndex index = grid->currentIndex();
    return model && index.isValid() ? model->OIDAt(index.row()) : 0;
}

// --- lines ---

std::shared_ptr<DbmsDataSource> frmVendite::ChooseArticle(const QString& code) {
    const auto articles = m_session.Database()->Item("Articoli");
    if (code.isEmpty()) {
        frmSearchText& search = frmSearchText::Instance();
        bool confirmed = false;
        search.setWindowTitle("Cerca");
        if (!search.GetSelection(this, "Descrizione", true, false, confirmed)) return nullptr;
        const QString text = search.ResultText();
        QString filter;
        if (!text.isEmpty())
            filter =
                search.Internal()
                    ? "Articoli.Descrizione Like " + DbmsDatabase::TextLiteral("%" + text + "%")
                    : "Articoli.Descrizione > " + DbmsDatabase::TextLiteral(text);
        auto found = articles->OpenDataSource(filter, "Articoli.Descrizione");
        const QVariant chosen = FormService().ShowSelectionList(this, *found);
        // The chosen row itself: articles without a code, or sharing one, are told apart only
        // by it.
        if (!chosen.isValid() || !found->Locate(chosen.toLongLong())) return nullptr;
        return found;
    }
    // The code reaches the filter only as a quoted literal.
    auto article = articles->OpenDataSource("Codice=" + DbmsDatabase::TextLiteral(code));
    if (!article->IsEmpty()) {
        article->MoveFirst();
        return article;
    }
    const QVariant added = FormService().ShowRowEditor(this, *article, true, {{"Codice", code}});
    if (!added.isValid()) return nullptr;
    article->Refresh(false);
    article->Locate(added.toLongLong());
    return article;
}

void frmVendite::cmdAutoAdd_Click() {
    GuardedTransaction([&] {
        if (!m_sale) return;
        const auto article = ChooseArticle(txtCode_Articolo->text());
        if (!article) {
            txtCode_Articolo->setFocus();
            return;
        }
        const OID articleOid = article->CurrentOID();
        const Money price = ToMoney(article->GetValue("Importo"));
        const int quantity = 1;
        const QString link = m_articles->TableDef().ParentLinkField();
        const QString sameArticle = link + "=" + DbmsDatabase::NumberLiteral(qint64(articleOid));

        OID line = 0;
        if (m_articles->FindNext(sameArticle) && price != Money{}) {
            m_articles->SetValue("Quantita",
                                 m_articles->GetValue("Quantita").toLongLong() + quantity);
            m_articles->Update();
            line = m_articles->CurrentOID();
        } else {
            const Money amount = quantity > 0 ? price * quantity : Money{};
            if (amount != Money{}) {
                line = m_articles->AddRow({{"Quantita", quantity},
                                           {"ImportoVendita", QVariant::fromValue(amount)},
                                           {link, articleOid}});
            } else {
                // An article without a list price: the clerk enters the price of the line.
                const QVariant added = FormService().ShowRowEditor(
                    this, *m_articles, true, {{"Quantita", quantity}, {link, articleOid}});
                if (!added.isValid()) {
                    txtCode_Articolo->setFocus();
                    return;
                }
                line = added.toLongLong();
            }
            if (m_articles->IsDirty()) m_articles->Update();
            if (line != 0) m_sale->SetReference("Articoli", line, false);
        }
        Refresh_Articoli(line);
        txtCode_Articolo->clear();
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::cmdAddItem_Click() {
    GuardedTransaction([&] {
        if (m_articles) {
            const QVariant line = FormService().ShowRowEditor(this, *m_articles, true);
            if (line.isValid()) {
                m_articles->Locate(line.toLongLong());
                m_sale->SetReference("Articoli", line.toLongLong(), false);
                Refresh_Articoli(line.toLongLong());
            }
        }
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::cmdEdit_Click() {
    GuardedTransaction([&] {
        const OID line = CurrentLine(dgArticoli);
        if (!m_articles || line == 0 || !m_articles->Locate(line)) {
            Prompter().Beep();
        } else if (FormService().ShowRowEditor(this, *m_articles, false).isValid()) {
            Refresh_Articoli(line);
        }
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::cmdDeleteItem_Click() {
    GuardedTransaction([&] {
        const OID line = CurrentLine(dgArticoli);
        if (!m_articles || line == 0 || !m_articles->Locate(line)) {
            Prompter().Beep();
        } else {
            m_sale->SetReference("Articoli", line, true);
            Refresh_Articoli();
        }
        txtCode_Articolo->setFocus();
    });
}

void frmVendite::Refresh_Articoli(OID line) {
    WaitCursor wait;
    BindArticles(line);
    Totalize();
}

void frmVendite::BindArticles(OID line) {
    m_articles = m_sale->GetReference("Articoli");
    auto* model = FormService().BindGrid(dgArticoli, m_articles);
    HideColumn(dgArticoli, "Data");
    int row = -1;
    if (line != 0 && m_articles->Locate(line))
        row = model->RowOf(line);
    else if (model->rowCount() > 0)
        row = model->rowCount() - 1;
    if (row >= 0) dgArticoli->setCurrentIndex(model->index(row, 0));
}

void frmVendite::Totalize() {
    WaitCursor wait;
    const QVariant amount = m_articles ? m_articles->Sum("ImportoVendita") : QVariant();
    m_sale->SetValue("Importo", QVariant::fromValue(amount.isValid() ? ToMoney(amount) : Money{}));
    const QVariant points = m_articles ? m_articles->Sum("PuntiAssegnati") : QVariant();
    m_sale->SetValue("PuntiAssegnati",
                     CheckedPoints("Il totale dei punti della vendita", points.toLongLong()));
    Identify_Bonus(m_settings.AutoIdentify_Bonus);
}

// --- bonuses and prizes ---

void frmVendite::BindAssigned(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows) {
    auto* model = FormService().BindGrid(grid, rows);
    HideColumn(grid, "Data");
    HideColumn(grid, "Scadenza");
    const int description = model ? model->ColumnOf("Descrizione") : -1;
    if (description >= 0) grid->setColumnWidth(description, grid->width() * 3 / 5);
}

void frmVendite::Identify_Bonus(bool automatic) {
    WaitCursor wait;
    clsPremiBonus rules(*m_sale, m_customerPoints);
    m_bonuses = rules.IdentifyBonus(automatic);
    BindAssigned(dgBonus, m_bonuses);
    Identify_Premi(m_settings.AutoIdentify_Premi);
}

void frmVendite::Identify_Premi(bool automatic) {
    WaitCursor wait;
    clsPremiBonus rules(*m_sale, m_customerPoints);
    m_prizes = rules.IdentifyPrizes(automatic);
    BindAssigned(dgPremi, m_prizes);
    lblTot_Punti->setText(QString::number(rules.FinalBalance()));
}

void frmVendite::AddAssigned(const QString& definitions, const QString& collection) {
    GuardedTransaction([&] {
        if (!m_sale) return;
        auto table = m_session.Database()->Item(definitions)->OpenDataSource();
        const QVariant chosen = FormService().ShowSelectionList(this, *table);
        if (!chosen.isValid()) return;
        auto assigned = m_sale->GetReference(collection);
        const QString link = assigned->TableDef().ParentLinkField();
        const QVariant row =
            FormService().ShowRowEditor(this, *assigned, true, {{link, chosen}, {"Quantita", 1}});
        if (!row.isValid()) return;
        m_sale->SetReference(collection, row.toLongLong(), false);
        if (collection == "Bonus") {
            Identify_Bonus(false);
        } else {
            // Hand-chosen prizes are not tested against the points, but never beyond stock.
            clsPremiBonus(*m_sale, m_customerPoints).CheckPrizeStock();
            Identify_Premi(false);
        }
    });
}

void frmVendite::RemoveAssigned(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows,
                                const QString& collection) {
    GuardedTransaction([&] {
        const OID row = CurrentLine(grid);
        if (!m_sale || !rows || row == 0 || !rows->Locate(row)) {
            Prompter().Beep();
            return;
        }
        m_sale->SetReference(collection, row, true);
        if (collection == "Bonus")
            Identify_Bonus(false);
        else
            Identify_Premi(false);
    });
}

void frmVendite::cmdAdd_Bonus_Click() {
    AddAssigned("TabellaBonus", "Bonus");
}

void frmVendite::cmdAdd_Premi_Click() {
    AddAssigned("TabellaPremi", "Premi");
}

void frmVendite::cmdDel_Bonus_Click() {
    RemoveAssigned(dgBonus, m_bonuses, "Bonus");
}

void frmVendite::cmdDel_Premi_Click() {
    RemoveAssigned(dgPremi, m_prizes, "Premi");
}
