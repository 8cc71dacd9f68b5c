#include "DbmsTextBinding.h"

#include "itfPrompter.h"

#include <QLineEdit>

DbmsTextBinding::DbmsTextBinding(QLineEdit* edit, const std::shared_ptr<DbmsDataSource>& ds,
                                 const QString& field)
    : QObject(edit), m_edit(edit), m_ds(ds) {
    setObjectName("DbmsTextBinding");
    const DbmsFieldInfo* info = ds->FieldInfo(field);
    if (!info)
        throw DbmsError(
            DbmsError::UnknownField,
            QString("Campo sconosciuto nella tabella %1: %2").arg(ds->TableDef().Name, field));
    m_field = info->Name;
    m_edit->setMaxLength(info->Size > 0 ? info->Size : 32767);
    Show();
    connect(m_edit, &QLineEdit::textEdited, this, &DbmsTextBinding::Write);
    connect(m_edit, &QLineEdit::editingFinished, this, &DbmsTextBinding::Store);
    // Rules or other windows may change the field; the line follows.
    connect(ds.get(), &DbmsDataSource::FieldUpdated, this, [this](const QString& name) {
        if (!m_writing && name.compare(m_field, Qt::CaseInsensitive) == 0) Show();
    });
}

DbmsTextBinding* DbmsTextBinding::Bind(QLineEdit* edit, const std::shared_ptr<DbmsDataSource>& ds,
                                       const QString& field) {
    for (DbmsTextBinding* old : edit->findChildren<DbmsTextBinding*>(Qt::FindDirectChildrenOnly))
        delete old;
    return ds ? new DbmsTextBinding(edit, ds, field) : nullptr;
}

void DbmsTextBinding::Show() {
    auto ds = m_ds.lock();
    if (!ds) return;
    QString text;
    try {
        if (ds->HasCurrentRow()) text = ds->GetText(m_field);
    } catch (const DbmsError&) {
        // A row deleted under the line shows as an empty line.
    }
    if (text != m_edit->text()) m_edit->setText(text);
}

void DbmsTextBinding::Write(const QString& text) {
    auto ds = m_ds.lock();
    if (!ds) return;
    m_writing = true;
    try {
        ds->SetValue(m_field, text);
    } catch (const DbmsError& e) {
        ShowMessage(m_edit, e.Description(), PromptIcon::Exclamation);
    }
    m_writing = false;
}

void DbmsTextBinding::Store() {
    auto ds = m_ds.lock();
    if (!ds || !ds->IsDirty()) return;
    try {
        ds->Update();
    } catch (const DbmsError& e) {
        ShowMessage(m_edit, "Impossibile salvare i dati:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
    }
}
