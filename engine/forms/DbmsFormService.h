#pragma once
// The engine's generic windows, built from a table's definition: grid binding, the row
// editor, the selection list, the field editor, the row list and the engine's own dialogs.
// Everything works from the keyboard alone: Enter confirms, Esc cancels.
// Modal windows run through the prompter, so tests can drive them headless.

#include "DbmsDataSource.h"
#include "DbmsGridLayout.h"
#include "DbmsSelectionSet.h"

#include <QVariant>
#include <memory>

class QAbstractItemView;
class QLineEdit;
class QTableView;
class QTreeView;
class QWidget;
class DbmsGridModel;
class DbmsTreeModel;

class DbmsFormService {
public:
    // --- grids ---
    // Binds a data source to a table view through a lazily paged model; the layout (optional)
    // gives the visible fields, their sequence and widths. Returns the model (owned by view).
    DbmsGridModel* BindGrid(QTableView* view, std::shared_ptr<DbmsDataSource> ds,
                            std::shared_ptr<DbmsGridLayout> layout = nullptr);
    // Binds a summary data source to a tree view: each row with its detail rows below.
    DbmsTreeModel* BindTree(QTreeView* view, std::shared_ptr<DbmsDataSource> ds,
                            std::shared_ptr<DbmsGridLayout> layout = nullptr);
    // Edits typed into the line edit go straight into the current row's field (stored when the
    // edit is finished); binding again replaces the binding, a null data source unbinds.
    void BindTextBox(QLineEdit* edit, std::shared_ptr<DbmsDataSource> ds, const QString& field);

    // --- row windows ---
    // The row editing window for a new row (pre-filled with `values`) or the current row.
    // Returns the OID when saved, an invalid QVariant (Empty) when cancelled; a cancelled new
    // row leaves nothing behind.
    QVariant ShowRowEditor(QWidget* owner, DbmsDataSource& ds, bool newRow,
                           const DbmsFieldValues& values = {});
    // A list of the data source's rows with incremental search; the chosen OID or Empty.
    QVariant ShowSelectionList(QWidget* owner, DbmsDataSource& ds, const QString& caption = {});
    // The editor of one field of the current row; whether it changed.
    bool ShowFieldEditor(QWidget* owner, DbmsDataSource& ds, const QString& field);
    // The rows in a read-only list window; returns when the user closes it.
    void ShowRowList(QWidget* owner, DbmsDataSource& ds, const QString& caption = {});
    // The message a field declared unique (DbmsColumns::SetUnique) gives when a row other than
    // `except` already holds `value` (text compared as filters compare it, case ignored); empty
    // when none does, when the value is blank or the field is not declared unique. The row
    // windows ask it before they store a row; a window about to add one may ask it first.
    QString DuplicateRefusal(DbmsDatabase& db, const QString& table, const QString& field,
                             const QVariant& value, OID except = 0);

    // --- engine dialogs ---
    // "Selezioni predefinite": which stored selections apply; whether the user confirmed.
    bool ShowPredefinedSelections(QWidget* owner, DbmsSelectionSet& set, const QString& caption);
    // The fields to show and their order; `sequence` in and out; whether confirmed.
    bool ShowFieldSequence(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                           QString& sequence);
    // "FILTRO COMPLESSO": conditions on the fields of `ds` (field, comparison, value, joined by
    // AND/OR) kept in `set`, which the dialog also saves, loads and deletes under a name.
    // Whether the user confirmed; then the set holds the conditions to apply.
    bool ShowComplexFilter(QWidget* owner, DbmsDataSource& ds, DbmsSelectionSet& set,
                           const QString& caption);
    // "Ordinamento Complesso": the fields to order by, their sequence and direction; `order` in
    // and out as an order text ("Data DESC, Codice"); whether the user confirmed.
    bool ShowCombinedOrder(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                           QString& order);
    // Exports the data source's rows to a CSV or HTML file chosen in a save dialog.
    void ExportData(QWidget* owner, DbmsDataSource& ds);
};

// The one form service of the process.
DbmsFormService& FormService();
