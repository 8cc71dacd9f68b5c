#pragma once
// A small archive for the window tests: categories; customers with defaults, a reference to
// their category and a list of favourite articles; articles; sale lines as children of the
// articles (their amount follows the price and the quantity) with a reference to a customer.
// Customers refuse to be stored without a code, so a save can fail on purpose.

#include "EngineTestSchema.h"
#include "TempArchive.h"
#include "WindowTest.h"

#include <QLineEdit>
#include <QListWidget>
#include <map>
#include <vector>

class WindowsSchema : public itfDefDatabase {
public:
    WindowsSchema();
    bool Define(DbmsDefinition& def) override;

private:
    std::vector<std::shared_ptr<TestTable>> m_tables; // in the order they are defined
};

// The date new customers and sale lines get from the rules.
inline QDateTime WindowsToday() {
    return QDateTime(QDate(2024, 2, 29), QTime(10, 30));
}

// The schema in a temp archive, created and filled with a few rows.
struct WindowsArchive : TempArchive {
    WindowsArchive();
    WindowsSchema schema; // bound by the base before it is built; used only from the body on
    // OIDs of the rows the archive starts with.
    std::map<QString, OID> oid;
};

// Which window it is and what its title says.
inline QString Kind(QDialog& d) {
    return d.objectName() + ": " + d.windowTitle();
}
// The texts of a window's lines, in the order named.
inline QStringList Texts(QWidget& window, const QStringList& names) {
    QStringList out;
    for (const QString& name : names)
        out << Child<QLineEdit>(window, name)->text();
    return out;
}
inline QStringList Texts(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
// Keys pressed one after another where the window's focus is.
inline void Keys(QWidget& window, std::initializer_list<int> keys) {
    for (int key : keys)
        Press(window, key);
}
// Types over a line as the user does: focus on it, all of it selected, the new text; then the
// key `then`, if any, where the focus is.
inline QLineEdit* TypeOver(QWidget& window, const QString& name, const QString& text,
                           int then = 0) {
    auto* line = Child<QLineEdit>(window, name);
    line->setFocus();
    line->selectAll();
    QTest::keyClicks(line, text);
    if (then) Press(window, then);
    return line;
}
// A row's stored values as text, NULL for none.
inline QStringList Stored(TempArchive& a, const QString& table, const QVariant& oid,
                          const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields) {
        const QVariant v =
            a.Value("SELECT " + f + " FROM " + table + " WHERE OID = " + oid.toString());
        out << (v.isValid() ? v.toString() : "NULL");
    }
    return out;
}
