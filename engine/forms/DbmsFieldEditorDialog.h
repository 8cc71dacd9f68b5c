#pragma once
// The window that edits one field of a data source's current row (for instance the date and
// time of a sale). OK stores the row when the value changed.
//
// Controls: the field's editor named after the field (see DbmsFieldEditor); cmdOK, cmdCancel.

#include "DbmsConfirmDialog.h"
#include "DbmsDataSource.h"

#include <memory>

class DbmsFieldEditor;

class DbmsFieldEditorDialog : public DbmsConfirmDialog {
    Q_OBJECT
public:
    DbmsFieldEditorDialog(QWidget* owner, DbmsDataSource& ds, const DbmsFieldInfo& field);
    ~DbmsFieldEditorDialog() override;

    // Whether OK stored a changed value.
    bool ChangedValue() const { return m_changed; }
    // Whether the row's buffer was touched by an OK that then failed.
    bool Touched() const { return m_touched; }

protected:
    bool Store() override;

private:
    DbmsDataSource& m_ds;
    std::unique_ptr<DbmsFieldEditor> m_editor;
    bool m_changed = false;
    bool m_touched = false;
};
