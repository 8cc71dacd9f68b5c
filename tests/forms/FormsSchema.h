#pragma once
// A small archive for the window tests: categories; customers with defaults, a reference to
// their category and a list of favourite articles; articles; sale lines as children of the
// articles (their amount follows the price and the quantity) with a reference to a customer.
// Customers refuse to be stored without a code, so a save can fail on purpose.

#include "TempArchive.h"
#include "WindowTest.h"

#include <QLineEdit>
#include <QListWidget>
#include <functional>
#include <map>

class WindowsTable : public itfDefTable, public itfSetData {
public:
    using Structure = std::function<void(DbmsColumns&, DbmsReferences&)>;
    WindowsTable(QString name, QString caption, Structure structure, QString parent = {})
        : m_name(std::move(name)), m_caption(std::move(caption)), m_structure(std::move(structure)),
          m_parent(std::move(parent)) {}

    QString TableName() const override { return m_name; }
    void DefineIdentity(DbmsTableIdentity& id) override {
        id.SetCaption(m_caption);
        if (!m_parent.isEmpty()) id.SetParentTable(m_parent);
    }
    void DefineStructure(DbmsColumns& c, DbmsIndexes&, DbmsReferences& r) override {
        m_structure(c, r);
    }
    itfSetData* DefineDefaultData() override { return this; }

    // What the rules do; nothing unless a table says.
    std::function<void(DbmsDataSource&)> onNewRow = [](DbmsDataSource&) {}, onUpdateRow = onNewRow;
    std::function<void(DbmsDataSource&, const QString&)> onField = [](auto&, auto&) {};
    void OnNewRow(DbmsDataSource& ds) override { onNewRow(ds); }
    void OnUpdateRow(DbmsDataSource& ds) override { onUpdateRow(ds); }
    void OnUpdateField(DbmsDataSource& ds, const QString& f) override { onField(ds, f); }

private:
    QString m_name, m_caption;
    Structure m_structure;
    QString m_parent;
};

class WindowsSchema : public itfDefDatabase {
public:
    WindowsSchema();
    bool Define(DbmsDefinition& def) override;

private:
    std::map<QString, std::shared_ptr<WindowsTable>> m_tables;
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
// Types over a line as the user does: focus on it, all of it selected, the new text.
inline QLineEdit* TypeOver(QWidget& window, const QString& name, const QString& text) {
    auto* line = Child<QLineEdit>(window, name);
    line->setFocus();
    line->selectAll();
    QTest::keyClicks(line, text);
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
