#pragma once
// The window that edits one row of a data source, built from its table's definition: an
// editor per field, the parent row chosen at the top for a child table (its fields shown
// read-only below), and the rows of each multiple reference with Aggiungi / Rimuovi.
//
// Every finished edit goes into the row's buffer at once, so the table's rules run and the
// values they compute appear in the other editors. OK stores the row, unless a field declared
// unique holds a value another row already has (DbmsColumns::SetUnique): that is refused before
// anything is written. The window that opens this one discards the buffer when it is cancelled.
//
// Controls: one editor per field named after it (see DbmsFieldEditor), for each multiple
// reference lst<Reference>, cmdAdd_<Reference>, cmdDel_<Reference>; cmdOK, cmdCancel.

#include "DbmsConfirmDialog.h"
#include "DbmsDataSource.h"

#include <QMap>
#include <QSet>
#include <memory>
#include <vector>

class DbmsFieldEditor;
class QListWidget;
class QPushButton;

class DbmsRowEditor : public DbmsConfirmDialog {
    Q_OBJECT
public:
    // `ds` is on the row to edit (a new one already started). Focus starts on the first
    // editable field that was not among the `prefilled` ones.
    DbmsRowEditor(QWidget* owner, DbmsDataSource& ds, const QSet<QString>& prefilled = {});
    ~DbmsRowEditor() override;

    // The OID of the row stored by OK.
    OID SavedOID() const { return m_saved; }

    void reject() override;

protected:
    bool Store() override;

private:
    struct Collection {
        QString Reference;
        QString Target;
        bool Owned = false;
        QStringList Shown;
        QListWidget* List = nullptr;
    };

    void AddCollection(const DbmsReferenceDef& ref, QWidget* parent, bool enabled);
    // Puts one editor's value into the row; false (after telling the user) when refused.
    bool Apply(DbmsFieldEditor* editor);
    // Shows the row's buffer again in every editor but those holding an edit not yet applied.
    void Reload();
    // True (after telling the user) when a field declared unique was given a value another row
    // already holds.
    bool Duplicated();
    void FillCollection(Collection& c);
    void AddToCollection(Collection& c);
    void RemoveFromCollection(Collection& c);
    bool eventFilter(QObject* watched, QEvent* event) override;

    DbmsDataSource& m_ds;
    std::vector<std::unique_ptr<DbmsFieldEditor>> m_editors;
    std::vector<Collection> m_collections;
    QMap<QString, QVariant> m_uniqueAtOpen; // an unchanged value is not checked again
    bool m_applying = false;
    bool m_cancelled = false; // the lines losing the focus as the window goes apply nothing
    OID m_saved = 0;
};
