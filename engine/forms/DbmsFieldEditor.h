#pragma once
// The editor of one field inside the engine's windows, chosen by the field's type: a line for
// text (as long as the field), whole numbers and amounts, a check box for yes/no, a date and
// time box, and a read-only line with a "..." button for a reference or a child row's parent.
// An editor only holds what the user typed; the window decides when it reaches the row.
//
// Widgets are named after the field (objectName = field name as the data source knows it,
// "cmdSet_<field>" for the "..." button), so tests and windows find them with findChild.

#include "DbmsDataSource.h"

#include <QObject>
#include <QVariant>
#include <memory>
#include <optional>

class QWidget;

class DbmsFieldEditor : public QObject {
    Q_OBJECT
public:
    // The editor for a field of the data source: own fields by type, single references and
    // the parent link as row choosers, the parent's fields read-only. nullptr for the engine's
    // own columns that nobody edits (OID, OID_<reference> behind a reference, counts).
    static std::unique_ptr<DbmsFieldEditor> Create(DbmsDataSource& ds, const DbmsFieldInfo& field,
                                                   QWidget* parent);

    // "ImportoVendita" → "Importo Vendita": field names read as labels.
    static QString Label(const QString& caption);
    // An amount typed the Italian way, "1.500.000,00" or "1500000,5"; nothing when it is not
    // one. At most four decimals, like the stored amounts.
    static std::optional<Money> ParseMoney(const QString& text);
    // What the user typed for a field: an amount (ParseMoney), a whole number, else the text
    // as it is; blank means no value. Throws DbmsError (BadValue) naming the field when the
    // text is not a number.
    static QVariant Parse(const DbmsFieldInfo& field, const QString& typed);

    ~DbmsFieldEditor() override;

    const QString& Field() const { return m_field; }
    // The column whose value the editor shows: "OID_<name>" for a reference, else the field.
    virtual QString SourceField() const { return m_field; }
    const QString& Caption() const { return m_caption; }
    QWidget* Widget() const { return m_widget; }
    virtual QWidget* FocusWidget() const { return m_widget; }
    virtual bool ReadOnly() const { return false; }

    // Shows a value of the row, which becomes the unchanged state.
    virtual void Load(const QVariant& value) = 0;
    // The value as typed or chosen; throws DbmsError (BadValue) when the text cannot be one.
    virtual QVariant Value() const = 0;
    // Whether the user changed it since the last Load.
    virtual bool Changed() const = 0;

signals:
    // The user finished an edit: left the line, ticked the box, chose or cleared a row.
    void Edited();

protected:
    DbmsFieldEditor(QString field, QString caption, QWidget* widget);

private:
    QString m_field;
    QString m_caption;
    QWidget* m_widget; // owned by the window it is laid out in
};
