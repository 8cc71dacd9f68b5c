#pragma once
// The commands on the rows of a view: delete with its questions, and the related data of the
// association menus. The questions go to the user through the window's `clsAsk`.

#include "DbmsRelations.h"

#include <functional>
#include <vector>

// A Yes/No question: a warning has the exclamation icon, the others the question icon.
struct clsQuestion {
    QString Text;
    bool Warning = false;
    bool DefaultYes = true;
};
using clsAsk = std::function<bool(const clsQuestion&)>;

// One element of an association menu.
struct clsAssociationItem {
    QString Caption;
    int Number = 0;
    bool Enabled = true;
};

class clsRowCommands {
public:
    explicit clsRowCommands(DbmsDataSource& ds) : m_ds(ds) {}

    // The delete question, with what else goes or loses its link.
    QString DeleteQuestion(const std::vector<OID>& rows) const;
    // Deletes `rows` in one transaction once `ask` agrees (customers, suppliers and articles
    // ask twice); false when declined. What the engine throws leaves the archive as it was.
    bool Delete(const std::vector<OID>& rows, OID current, const clsAsk& ask);

    // The association menus, in the order they are filled.
    static const std::vector<QString>& AssociationMenus();
    static DbmsRelationKind KindOf(const QString& menu);
    // The elements of an association menu for the current row.
    std::vector<clsAssociationItem> AssociationItems(const QString& menu) const;
    // The rows related to `current` (0: the data source's current row) through element
    // `number` of `menu`.
    std::shared_ptr<DbmsDataSource> OpenRelated(const QString& menu, int number, OID current);

private:
    DbmsDataSource& m_ds;
};
