#pragma once
// What the view of a section reads: its table, the condition made of the date selection or
// the predefined selections, the order and the summary options; and the opening of those rows.
// The filters, orders and searches of the view add their conditions here.

#include "DbmsDataSource.h"
#include "DbmsSelectionSet.h"
#include "clsSection.h"

#include <memory>

class clsArchiveSession;
class DbmsTable;

class clsSectionView {
public:
    // The section a tree node key stands for, on the open archive of `session`.
    clsSectionView(clsArchiveSession& session, const QString& key);

    const clsSection& Section() const { return m_section; }
    const std::shared_ptr<DbmsTable>& Table() const { return m_table; }
    // The field the date selection works on; empty when the section has none or the stored
    // selections constrain the date themselves.
    const QString& DateField() const { return m_section.DateField; }

    // The condition of the predefined selections in `set`; true when there is one. Stored
    // selections that constrain the date decide alone.
    bool UseSelection(const DbmsSelectionSet& set);
    // No rows at all: the selections were cancelled and the user asked for no data.
    void SelectNothing();
    // The same table shown again keeps its order (the one asked, else the user's, else its
    // base order) and its current row: true then. `shown` is the view on screen, or nullptr.
    bool KeepOrderOf(const DbmsDataSource* shown, const QString& asked);

    // The rows are read with the date selection when there is one, else the predefined one.
    QString Condition() const;
    DbmsOpenOptions Options(bool currencyConversion) const;
    std::shared_ptr<DbmsDataSource> Open(bool currencyConversion) const;

private:
    clsArchiveSession& m_session;
    clsSection m_section;
    std::shared_ptr<DbmsTable> m_table;
    QString m_selection;
};
