#include "clsRowCommands.h"

#include "DbmsDatabase.h"
#include "DbmsTable.h"
#include "modSectionTree.h"

#include <QStringList>
#include <set>

namespace {

// What else a delete takes, said after the question: the rows deleted with the chosen ones,
// then the rows left without their link, each table by its caption.
QString DependentsText(const std::vector<DbmsDependentRows>& dependents) {
    QStringList removed, unlinked;
    for (const DbmsDependentRows& d : dependents) {
        if (d.Removed > 0) removed << QString::number(d.Removed) + " " + d.Caption;
        if (d.Unlinked > 0) unlinked << QString::number(d.Unlinked) + " " + d.Caption;
    }
    QString text;
    if (!removed.isEmpty())
        text += "\rVerranno eliminati anche i dati collegati: " + removed.join(", ") + ".";
    if (!unlinked.isEmpty())
        text += "\rPerderanno il collegamento ai dati eliminati: " + unlinked.join(", ") + ".";
    return text.isEmpty() ? text : "\r" + text;
}

} // namespace

QString clsRowCommands::DeleteQuestion(const std::vector<OID>& rows) const {
    return "Confermi l'eliminazione dei dati selezionati ?" +
           DependentsText(DbmsCountDependents(m_ds, rows));
}

bool clsRowCommands::Delete(const std::vector<OID>& rows, OID current, const clsAsk& ask) {
    if (!ask({DeleteQuestion(rows)})) return false;
    m_ds.Locate(current);
    // Customers, suppliers and articles take their sales lines and references with them.
    static const std::set<QString> masters = {"Fornitori", "Clienti", "Articoli"};
    if (masters.count(m_ds.Table()->Name()) &&
        !ask({"L'eliminazione comporterà l'elimnazione anche dei dati correlati!\r\r"
              "Sei sicuro ?",
              true, false}))
        return false;
    auto db = m_ds.Database();
    db->BeginTrans();
    try {
        for (OID oid : rows)
            if (m_ds.Locate(oid)) m_ds.Delete();
        db->CommitTrans();
    } catch (...) {
        db->Rollback();
        throw;
    }
    return true;
}

const std::vector<QString>& clsRowCommands::AssociationMenus() {
    static const std::vector<QString> menus = {"mnuReferencedItem", "mnuRefItem", "mnuContItem"};
    return menus;
}

DbmsRelationKind clsRowCommands::KindOf(const QString& menu) {
    return menu == "mnuRefItem"    ? DbmsRelationKind::Reference
           : menu == "mnuContItem" ? DbmsRelationKind::Container
                                   : DbmsRelationKind::Referenced;
}

std::vector<clsAssociationItem> clsRowCommands::AssociationItems(const QString& menu) const {
    const DbmsRelationKind kind = KindOf(menu);
    std::vector<clsAssociationItem> items;
    for (const DbmsRelatedEntry& entry : DbmsRelatedEntries(m_ds, kind)) {
        QString caption = entry.Text1;
        if (kind == DbmsRelationKind::Reference)
            caption = entry.Text1 + " (" + entry.Text2 + ")";
        else if (kind == DbmsRelationKind::Container)
            caption = entry.Text1 + AgreementPhrase(entry.Text2, false) + entry.Text2;
        items.push_back({caption, entry.Number, entry.Enabled});
    }
    return items;
}

std::shared_ptr<DbmsDataSource> clsRowCommands::OpenRelated(const QString& menu, int number,
                                                            OID current) {
    if (current != 0) m_ds.Locate(current);
    return DbmsOpenRelated(m_ds, KindOf(menu), number);
}
