#include "DbmsRowEditor.h"

#include "DbmsFieldEditor.h"
#include "DbmsFormService.h"
#include "itfPrompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using Origin = DbmsFieldInfo::Origin;

DbmsRowEditor::DbmsRowEditor(QWidget* owner, DbmsDataSource& ds, const QSet<QString>& prefilled)
    : DbmsConfirmDialog(owner), m_ds(ds) {
    setObjectName("DbmsRowEditor");
    const DbmsTableDef& def = ds.TableDef();
    setWindowTitle(def.Caption.isEmpty() ? def.Name : def.Caption);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    layout->addLayout(form);
    auto addRow = [&](QFormLayout* to, const DbmsFieldInfo& f, const QString& caption) {
        std::unique_ptr<DbmsFieldEditor> e = DbmsFieldEditor::Create(ds, f, this);
        if (!e) return;
        auto* label = new QLabel(DbmsFieldEditor::Label(caption) + ":", this);
        label->setBuddy(e->FocusWidget());
        to->addRow(label, e->Widget());
        if (!e->ReadOnly()) {
            connect(e.get(), &DbmsFieldEditor::Edited, this, [this, ed = e.get()] { Apply(ed); });
            e->FocusWidget()->installEventFilter(this);
        }
        m_editors.push_back(std::move(e));
    };

    // A child row belongs to its parent first: choosing it brings the values the rules use.
    const DbmsTableDef* parent = ds.Database()->TableDef(def.ParentTable);
    if (parent)
        if (const DbmsFieldInfo* link = ds.FieldInfo(def.ParentLinkField()))
            addRow(form, *link, parent->Caption);
    for (const DbmsFieldInfo& f : ds.Fields()) {
        const bool ownReference = f.From == Origin::Shown && f.Table == def.Name;
        if (f.From == Origin::Own || ownReference) addRow(form, f, f.Caption);
    }

    const bool stored = !ds.IsNewRow();
    if (stored)
        for (const DbmsFieldDef& f : def.Fields)
            if (!f.Duplicate.isEmpty()) m_uniqueAtOpen.insert(f.Name, ds.GetValue(f.Name));
    for (const DbmsReferenceDef& ref : def.References)
        if (ref.Multiple) AddCollection(ref, this, stored);
    for (Collection& c : m_collections) {
        layout->addWidget(c.List->parentWidget());
        if (stored) FillCollection(c);
    }

    if (parent) {
        auto* box = new QGroupBox("Dati di " + parent->Caption, this);
        box->setObjectName("grpParent");
        auto* parentForm = new QFormLayout(box);
        parentForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        for (const DbmsFieldInfo& f : ds.Fields())
            if (f.From == Origin::Parent || (f.From == Origin::Shown && f.Table == parent->Name))
                addRow(parentForm, f, f.Caption);
        if (parentForm->rowCount() > 0)
            layout->addWidget(box);
        else
            delete box;
    }

    layout->addStretch(1);
    layout->addWidget(MakeButtons("OK", "Annulla"));
    setMinimumWidth(460);
    Reload();

    QWidget* first = nullptr;
    QWidget* firstFree = nullptr;
    for (const auto& e : m_editors) {
        if (e->ReadOnly()) continue;
        if (!first) first = e->FocusWidget();
        const bool given = prefilled.contains(e->Field().toLower()) ||
                           prefilled.contains(e->SourceField().toLower());
        if (!given && !firstFree) firstFree = e->FocusWidget();
    }
    if (QWidget* start = firstFree ? firstFree : first) {
        start->setFocus();
        // What is there is typed over, as in a new field.
        if (auto* line = qobject_cast<QLineEdit*>(start)) line->selectAll();
    }
}

DbmsRowEditor::~DbmsRowEditor() = default;

void DbmsRowEditor::AddCollection(const DbmsReferenceDef& ref, QWidget* parent, bool enabled) {
    Collection c;
    c.Reference = ref.Name;
    c.Target = ref.Target;
    c.Owned = ref.Owned;
    const DbmsTableDef* target = m_ds.Database()->TableDef(ref.Target);
    const DbmsTableDef* targetParent =
        target ? m_ds.Database()->TableDef(target->ParentTable) : nullptr;
    for (const QString& f : {ref.ShownField1, ref.ShownField2})
        if (!f.isEmpty() &&
            ((target && target->Field(f)) || (targetParent && targetParent->Field(f))))
            c.Shown << f;

    auto* box = new QGroupBox(DbmsFieldEditor::Label(ref.Name), parent);
    c.List = new QListWidget(box);
    c.List->setObjectName("lst" + ref.Name);
    c.List->setMaximumHeight(c.List->fontMetrics().height() * 6);
    c.List->installEventFilter(this);
    auto* add = new QPushButton("Aggiungi...", box);
    add->setObjectName("cmdAdd_" + ref.Name);
    auto* remove = new QPushButton("Rimuovi", box);
    remove->setObjectName("cmdDel_" + ref.Name);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout(box);
    row->addWidget(c.List, 1);
    row->addLayout(buttons);
    if (!enabled) {
        // The links need the row's OID: the list opens once the row is stored.
        c.List->addItem("(disponibile dopo il salvataggio)");
        box->setEnabled(false);
    }
    m_collections.push_back(c);
    const size_t index = m_collections.size() - 1;
    connect(add, &QPushButton::clicked, this,
            [this, index] { AddToCollection(m_collections[index]); });
    connect(remove, &QPushButton::clicked, this,
            [this, index] { RemoveFromCollection(m_collections[index]); });
}

void DbmsRowEditor::reject() {
    m_cancelled = true;
    DbmsConfirmDialog::reject();
}

bool DbmsRowEditor::Apply(DbmsFieldEditor* editor) {
    if (m_applying || m_cancelled || editor->ReadOnly() || !editor->Changed()) return true;
    // A message box takes the focus, and the editor losing it would report its edit again.
    m_applying = true;
    bool ok = true;
    try {
        m_ds.SetValue(editor->Field(), editor->Value());
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
        editor->FocusWidget()->setFocus();
        ok = false;
    }
    m_applying = false;
    if (ok) {
        // The value just applied shows as the row now holds it (e.g. "1500,5" → "1.500,50").
        editor->Load(m_ds.GetValue(editor->SourceField()));
        Reload();
    }
    return ok;
}

void DbmsRowEditor::Reload() {
    for (const auto& e : m_editors) {
        if (e->Changed()) continue; // the user's edit in progress stays as typed
        try {
            e->Load(m_ds.GetValue(e->SourceField()));
        } catch (const DbmsError&) {
            e->Load(QVariant()); // a parent or target gone meanwhile shows empty
        }
    }
}

bool DbmsRowEditor::Duplicated() {
    const DbmsTableDef& def = m_ds.TableDef();
    const bool isNew = m_ds.IsNewRow();
    for (const DbmsFieldDef& f : def.Fields) {
        if (f.Duplicate.isEmpty()) continue;
        const QVariant value = m_ds.GetValue(f.Name);
        if (!isNew && value == m_uniqueAtOpen.value(f.Name)) continue;
        const QString refusal = FormService().DuplicateRefusal(
            *m_ds.Database(), def.Name, f.Name, value, isNew ? 0 : m_ds.CurrentOID());
        if (refusal.isEmpty()) continue;
        ShowMessage(this, refusal, PromptIcon::Exclamation);
        for (const auto& e : m_editors)
            if (e->Field() == f.Name) e->FocusWidget()->setFocus();
        return true;
    }
    return false;
}

void DbmsRowEditor::FillCollection(Collection& c) {
    c.List->clear();
    try {
        auto rows = m_ds.GetReference(c.Reference);
        for (qint64 pos = 0;; ++pos) {
            const OID oid = rows->OIDAt(pos);
            if (!oid) break;
            QStringList parts;
            for (const QString& f : c.Shown)
                if (const QString t = rows->TextAt(pos, f); !t.isEmpty()) parts << t;
            auto* item = new QListWidgetItem(parts.isEmpty() ? QString("Riga %1").arg(oid)
                                                             : parts.join(" - "));
            item->setData(Qt::UserRole, qint64(oid));
            c.List->addItem(item);
        }
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
    }
    if (c.List->count() > 0) c.List->setCurrentRow(0);
}

void DbmsRowEditor::AddToCollection(Collection& c) {
    try {
        if (c.Owned) {
            // An owned row is made for this row only: it is written in its own window.
            auto rows = m_ds.GetReference(c.Reference);
            FormService().ShowRowEditor(this, *rows, true);
        } else {
            auto rows =
                m_ds.Database()->Item(c.Target)->OpenDataSource(QString(), c.Shown.value(0));
            const QVariant chosen = FormService().ShowSelectionList(this, *rows);
            if (chosen.isValid()) m_ds.SetReference(c.Reference, chosen.toLongLong());
        }
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
    }
    FillCollection(c);
    Reload();
    c.List->setFocus();
}

void DbmsRowEditor::RemoveFromCollection(Collection& c) {
    const QListWidgetItem* item = c.List->currentItem();
    if (!item) {
        Prompter().Beep();
        return;
    }
    const int row = c.List->currentRow();
    try {
        m_ds.SetReference(c.Reference, item->data(Qt::UserRole).toLongLong(), true);
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
    }
    FillCollection(c);
    Reload();
    c.List->setCurrentRow(std::min(row, c.List->count() - 1));
    c.List->setFocus();
}

bool DbmsRowEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return DbmsConfirmDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Enter in a field applies it first: a refused value is told once and keeps the window
    // open, instead of being told again by OK.
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        for (const auto& e : m_editors)
            if (watched == e->FocusWidget() && !Apply(e.get())) return true;
    for (Collection& c : m_collections) {
        if (watched != c.List) continue;
        if (key == Qt::Key_Insert) {
            AddToCollection(c);
            return true;
        }
        if (key == Qt::Key_Delete) {
            RemoveFromCollection(c);
            return true;
        }
    }
    return DbmsConfirmDialog::eventFilter(watched, event);
}

bool DbmsRowEditor::Store() {
    for (const auto& e : m_editors)
        if (!Apply(e.get())) return false;
    try {
        if (Duplicated()) return false;
        m_ds.Update();
        m_saved = m_ds.CurrentOID();
    } catch (const DbmsError& e) {
        ShowMessage(this, "Impossibile salvare i dati:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
        return false;
    } catch (const std::exception& e) {
        // The archive itself refused (a full disk, a locked file): the window stays open.
        ShowMessage(this, "Impossibile salvare i dati:\n\n" + QString::fromStdString(e.what()),
                    PromptIcon::Exclamation);
        return false;
    }
    return true;
}
