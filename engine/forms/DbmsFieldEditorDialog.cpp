#include "DbmsFieldEditorDialog.h"

#include "DbmsFieldEditor.h"
#include "DbmsFormService.h"
#include "itfPrompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

DbmsFieldEditorDialog::DbmsFieldEditorDialog(QWidget* owner, DbmsDataSource& ds,
                                             const DbmsFieldInfo& field)
    : DbmsConfirmDialog(owner), m_ds(ds) {
    setObjectName("DbmsFieldEditor");
    const QString caption = DbmsFieldEditor::Label(field.Caption);
    setWindowTitle(caption);
    m_editor = DbmsFieldEditor::Create(ds, field, this);
    if (!m_editor)
        throw DbmsError(DbmsError::BadValue,
                        QString("Il campo %1 non può essere modificato").arg(field.Name));
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto* label = new QLabel(caption + ":", this);
    label->setBuddy(m_editor->FocusWidget());
    form->addRow(label, m_editor->Widget());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(MakeButtons("OK", "Annulla"));
    setMinimumWidth(320);
    m_editor->Load(ds.GetValue(m_editor->SourceField()));
    m_editor->FocusWidget()->setFocus();
}

DbmsFieldEditorDialog::~DbmsFieldEditorDialog() = default;

bool DbmsFieldEditorDialog::Store() {
    if (m_editor->ReadOnly() || !m_editor->Changed()) return true;
    try {
        const QVariant value = m_editor->Value();
        m_touched = true;
        m_ds.SetValue(m_editor->Field(), value);
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
        m_editor->FocusWidget()->setFocus();
        return false;
    }
    try {
        const QString refusal = FormService().DuplicateRefusal(
            *m_ds.Database(), m_ds.TableDef().Name, m_editor->Field(),
            m_ds.GetValue(m_editor->Field()), m_ds.IsNewRow() ? 0 : m_ds.CurrentOID());
        if (!refusal.isEmpty()) {
            ShowMessage(this, refusal, PromptIcon::Exclamation);
            m_editor->FocusWidget()->setFocus();
            return false;
        }
        m_ds.Update();
    } catch (const DbmsError& e) {
        ShowMessage(this, "Impossibile salvare i dati:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
        return false;
    }
    m_changed = true;
    return true;
}
