#pragma once
// "Selezioni predefinite": the conditions of a selection set, each with a tick saying whether
// it applies. Conditions are added, changed and removed as filter texts of the engine's
// dialect, each checked against the set's table before it is taken. OK stores the ticks and
// the conditions in the set (and in the archive when the set has a name).
//
// Keys on the list: Space ticks, Ins adds, F2 changes, Del removes; Enter is OK, Esc cancels.
// Controls: lstSelezioni, cmdAdd, cmdEdit, cmdDelete, cmdOK, cmdCancel. Conditions are typed
// in the window "DbmsConditionEditor" (txtCondizione).

#include "DbmsConfirmDialog.h"
#include "DbmsSelectionSet.h"

class QListWidget;

class DbmsPredefinedSelections : public DbmsConfirmDialog {
    Q_OBJECT
public:
    DbmsPredefinedSelections(QWidget* owner, DbmsSelectionSet& set, const QString& caption);

    void AddCondition();
    void EditCondition();
    void RemoveCondition();

protected:
    bool Store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Asks for a condition starting from `text`; empty when the user cancels.
    QString AskCondition(const QString& caption, const QString& text);
    void AddItem(const DbmsSelectionItem& item);

    DbmsSelectionSet& m_set;
    QListWidget* m_list;
};
