#include "DbmsTextBinding.h"

#include "DbmsFieldEditor.h"
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
    m_info = *info;
    m_edit->setMaxLength(info->Digits > 0 ? info->Digits : info->Size > 0 ? info->Size : 32767);
    Show();
    connect(m_edit, &QLineEdit::inputRejected, this, [] { Prompter().Beep(); });
    // A number half typed ("12,") is no number yet: it goes in when the edit is finished.
    if (info->Type == DbmsType::Text)
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

QString DbmsTextBinding::RowText(DbmsDataSource& ds) const {
    try {
        if (ds.HasCurrentRow()) return ds.GetText(m_field);
    } catch (const DbmsError&) {
        // A row deleted under the line shows as an empty line.
    }
    return QString();
}

void DbmsTextBinding::Show() {
    auto ds = m_ds.lock();
    if (!ds) return;
    const QString text = RowText(*ds);
    if (text != m_edit->text()) m_edit->setText(text);
}

bool DbmsTextBinding::Write(const QString& text) {
    auto ds = m_ds.lock();
    if (!ds) return false;
    m_writing = true;
    bool written = true;
    try {
        ds->SetValue(m_field, DbmsFieldEditor::Parse(m_info, text));
    } catch (const DbmsError& e) {
        ShowMessage(m_edit, e.Description(), PromptIcon::Exclamation);
        m_edit->setFocus();
        written = false;
    }
    m_writing = false;
    return written;
}

void DbmsTextBinding::Store() {
    auto ds = m_ds.lock();
    if (!ds) return;
    // A number goes in now, and only when the user changed what the line showed.
    if (m_info.Type != DbmsType::Text && m_edit->text() != RowText(*ds)) {
        if (!Write(m_edit->text())) return;
        Show(); // as the row holds it: "1250,5" becomes "1.250,50"
    }
    if (!ds->IsDirty()) return;
    try {
        ds->Update();
    } catch (const DbmsError& e) {
        ShowMessage(m_edit, "Impossibile salvare i dati:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
    }
}
