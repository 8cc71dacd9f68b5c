#pragma once
// A line edit bound to a field of a data source's current row: it shows the field, and what
// the user types goes straight into the row (the row is stored when the edit is finished). A
// number or an amount goes in when the edit is finished, read as the row editor reads it, or
// is refused by name; the line takes no more characters than the field holds.
// The binding lives as a child of the line edit; binding it again replaces it. It does not
// keep the data source alive: once the window lets the row go, the line edit is just a line.

#include "DbmsDataSource.h"

#include <QObject>
#include <memory>

class QLineEdit;

class DbmsTextBinding : public QObject {
    Q_OBJECT
public:
    DbmsTextBinding(QLineEdit* edit, const std::shared_ptr<DbmsDataSource>& ds,
                    const QString& field);

    // Replaces any binding of `edit` with one to `field` of `ds`; a null `ds` just unbinds.
    static DbmsTextBinding* Bind(QLineEdit* edit, const std::shared_ptr<DbmsDataSource>& ds,
                                 const QString& field);

private:
    QString RowText(DbmsDataSource& ds) const;
    void Show();
    // Puts the typed text into the row; false (after telling the user) when it is refused.
    bool Write(const QString& text);
    void Store();

    QLineEdit* m_edit;
    std::weak_ptr<DbmsDataSource> m_ds;
    QString m_field;
    DbmsFieldInfo m_info;
    bool m_writing = false;
};
