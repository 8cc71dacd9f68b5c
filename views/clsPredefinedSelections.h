#pragma once
// The predefined selections of the section shown: stored in the archive under the section's
// name, asked before its rows are read once stored, kept while the section stays.

#include "DbmsSelectionSet.h"
#include "clsRowCommands.h"

#include <functional>
#include <memory>

class clsSectionView;
class DbmsTable;

class clsPredefinedSelections {
public:
    // The selections dialog on a set; false when cancelled.
    using Chooser = std::function<bool(DbmsSelectionSet&)>;

    // The set of the section shown, or nullptr.
    const std::shared_ptr<DbmsSelectionSet>& Set() const { return m_set; }
    // Whether the selections are asked before the rows are read (the menu's check mark).
    bool AskFirst() const { return m_blnAskFirst; }
    void Clear();

    // Before the rows of `view` (section `name`) are read: the stored selections asked, or
    // no rows when they are cancelled and the user wants no data. The note for the title.
    QString Apply(clsSectionView& view, const QString& name, const Chooser& choose,
                  const clsAsk& ask);
    // Asks the selections of section `name` of `table` and stores them; false when cancelled.
    bool Store(const DbmsTable& table, const QString& name, const Chooser& choose);
    // Removes the stored selections; false when there were none.
    bool Remove(const DbmsTable& table, const QString& name);

private:
    // The set of section `name`: the kept one when it is that section's.
    DbmsSelectionSet& For(const DbmsTable& table, const QString& name);

    std::shared_ptr<DbmsSelectionSet> m_set;
    bool m_blnAskFirst = false;
};
