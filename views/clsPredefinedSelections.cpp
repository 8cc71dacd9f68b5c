#include "clsPredefinedSelections.h"

#include "DbmsTable.h"
#include "clsSectionView.h"

void clsPredefinedSelections::Clear() {
    m_set.reset();
    m_blnAskFirst = false;
}

DbmsSelectionSet& clsPredefinedSelections::For(const DbmsTable& table, const QString& name) {
    if (m_set && m_set->Name() != name) m_set.reset();
    if (!m_set) m_set = table.CreateSelectionSet();
    return *m_set;
}

QString clsPredefinedSelections::Apply(clsSectionView& view, const QString& name,
                                       const Chooser& choose, const clsAsk& ask) {
    DbmsSelectionSet& set = For(*view.Table(), name);
    m_blnAskFirst = set.Restore(name);
    if (m_blnAskFirst && set.Name() != name) set.SetName(name);
    if (!m_blnAskFirst) return {};
    if (choose(set)) {
        if (view.UseSelection(set)) return "  [selezioni impostate]";
        m_set.reset();
        return {};
    }
    if (ask({"Selezioni predefinite annullate...\r\rVuoi visualizzare tutti i dati?", false,
             false}))
        return {};
    view.SelectNothing();
    return "  [nessun dato richiesto]";
}

bool clsPredefinedSelections::Store(const DbmsTable& table, const QString& name,
                                    const Chooser& choose) {
    DbmsSelectionSet& set = For(table, name);
    if (set.Name() != name) set.SetName(name);
    if (!choose(set)) return false;
    set.Save(name);
    m_blnAskFirst = true;
    return true;
}

bool clsPredefinedSelections::Remove(const DbmsTable& table, const QString& name) {
    DbmsSelectionSet& set = For(table, name);
    if (set.Name() != name) set.SetName(name);
    const bool stored = set.Restore(name);
    if (stored) set.Remove(name);
    Clear();
    return stored;
}
