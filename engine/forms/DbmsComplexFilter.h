#pragma once
// "FILTRO COMPLESSO": conditions on the fields of a data source, built from a field, a
// comparison and a value, each joined to the others by AND (a new row) or by OR (with the last
// row). Values become literals of the filter dialect, never text pasted into it. Named filters
// are loaded, saved and deleted in the archive; OK puts the conditions (and the name of the
// filter last loaded or saved) into the set, Esc leaves the set as it was.
//
// Keys: Enter in the value adds the condition with AND, anywhere else Enter is OK; Esc
// cancels. On the list Space ticks, Del removes. Alt+E / Alt+O add with AND / OR.
// Controls: cboNome, cmdLoad, cmdSave, cmdDelete, cboCampo, cboConfronto, txtValore, cmdAnd,
// cmdOr, lstCondizioni, cmdRemove, cmdClear, cmdOK, cmdCancel.

#include "DbmsConfirmDialog.h"
#include "DbmsDataSource.h"
#include "DbmsSelectionSet.h"

class QComboBox;
class QLineEdit;
class QListWidget;

class DbmsComplexFilter : public DbmsConfirmDialog {
    Q_OBJECT
public:
    DbmsComplexFilter(QWidget* owner, DbmsDataSource& ds, DbmsSelectionSet& set,
                      const QString& caption);

    void AddCondition(bool orWithLast);
    void RemoveCondition();
    void ClearConditions();
    void LoadFilter();
    void SaveFilter();
    void DeleteFilter();

protected:
    bool Store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The condition the field, comparison and value make, checked against the table; empty
    // (after telling the user why) when they make none.
    QString BuiltCondition();
    void FillComparisons();
    void FillNames(const QString& current);
    void AddRow(const DbmsSelectionItem& item);
    std::vector<DbmsSelectionItem> Rows() const;
    // The name typed or chosen; empty (after saying so) when there is none.
    QString ChosenName();
    bool Valid(const QString& condition);

    DbmsDataSource& m_ds;
    DbmsSelectionSet& m_set;
    // Loads, saves and deletes named filters, so the set itself changes only on OK.
    DbmsSelectionSet m_store;
    QString m_name;
    QComboBox* m_names;
    QComboBox* m_field;
    QComboBox* m_compare;
    QLineEdit* m_value;
    QListWidget* m_list;
};
