#pragma once
// The rows of a data source in a list, to choose one (the selection list) or just to look at
// them (the row list). Typing searches: the rows are not filtered, the list jumps to the
// first row, in the data source's order, whose search column starts with what was typed.
// Enter or a double click chooses the current row, Esc closes without a choice.
//
// Controls: txtSearch (what was typed), dgRows (the rows), cmdOK, cmdCancel.

#include "DbmsConfirmDialog.h"
#include "DbmsDataSource.h"

class DbmsGridModel;
class QLineEdit;
class QTableView;

class DbmsSelectionList : public DbmsConfirmDialog {
    Q_OBJECT
public:
    enum Mode { Choose, Browse };
    DbmsSelectionList(QWidget* owner, DbmsDataSource& ds, const QString& caption, Mode mode);

    // The chosen row, 0 when none; the data source is left on it.
    OID Chosen() const { return m_chosen; }
    // The field typing searches: the first field of the order when it is a shown text, else
    // the first text column; empty when the list has no text column.
    const QString& SearchField() const { return m_searchField; }
    // Moves to the first row whose search field starts with `text`; false (after a beep)
    // when there is none.
    bool Search(const QString& text);

protected:
    bool Store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChooseSearchField();
    void SelectRow(qint64 row);

    DbmsDataSource& m_ds;
    DbmsGridModel* m_model;
    QTableView* m_view;
    QLineEdit* m_search;
    QString m_searchField;
    OID m_chosen = 0;
};
