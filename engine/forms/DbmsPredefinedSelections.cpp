#include "DbmsPredefinedSelections.h"

#include "itfPrompter.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

DbmsPredefinedSelections::DbmsPredefinedSelections(QWidget* owner, DbmsSelectionSet& set,
                                                   const QString& caption)
    : DbmsConfirmDialog(owner), m_set(set) {
    setObjectName("DbmsPredefinedSelections");
    setWindowTitle(caption);

    m_list = new QListWidget(this);
    m_list->setObjectName("lstSelezioni");
    m_list->installEventFilter(this);
    for (const DbmsSelectionItem& item : set.Items())
        AddItem(item);
    if (m_list->count() > 0) m_list->setCurrentRow(0);

    auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    QPushButton* add = button("&Aggiungi...", "cmdAdd");
    QPushButton* edit = button("&Modifica...", "cmdEdit");
    QPushButton* remove = button("&Rimuovi", "cmdDelete");
    connect(add, &QPushButton::clicked, this, &DbmsPredefinedSelections::AddCondition);
    connect(edit, &QPushButton::clicked, this, &DbmsPredefinedSelections::EditCondition);
    connect(remove, &QPushButton::clicked, this, &DbmsPredefinedSelections::RemoveCondition);
    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(edit);
    side->addWidget(remove);
    side->addStretch(1);

    auto* label = new QLabel("Condizioni (spunta quelle da applicare):", this);
    label->setBuddy(m_list);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_list, 1);
    middle->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(middle, 1);
    layout->addWidget(MakeButtons("OK", "Annulla"));
    resize(520, 300);
    m_list->setFocus();
}

void DbmsPredefinedSelections::AddItem(const DbmsSelectionItem& item) {
    auto* row = new QListWidgetItem(item.Condition, m_list);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(item.Active ? Qt::Checked : Qt::Unchecked);
}

QString DbmsPredefinedSelections::AskCondition(const QString& caption, const QString& text) {
    QDialog ask(this);
    ask.setObjectName("DbmsConditionEditor");
    ask.setWindowTitle(caption);
    auto* edit = new QLineEdit(text, &ask);
    edit->setObjectName("txtCondizione");
    auto* label = new QLabel("&Condizione (es.: Punti >= 100 AND Citta = 'Roma'):", &ask);
    label->setBuddy(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Annulla");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    auto valid = [&] {
        const QString condition = edit->text().trimmed();
        if (condition.isEmpty()) return false;
        try {
            m_set.Validate(condition);
            return true;
        } catch (const DbmsError& e) {
            ShowMessage(&ask, "Condizione non valida:\n\n" + e.Description(),
                        PromptIcon::Exclamation);
            edit->setFocus();
            return false;
        }
    };
    // A condition the table cannot use never leaves the window.
    connect(buttons, &QDialogButtonBox::accepted, &ask, [&] {
        if (valid()) ask.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    auto* layout = new QVBoxLayout(&ask);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    ask.resize(480, ask.sizeHint().height());
    edit->setFocus();
    if (Prompter().Exec(ask) != QDialog::Accepted) return QString();
    if (ask.result() != QDialog::Accepted && !valid()) return QString();
    return edit->text().trimmed();
}

void DbmsPredefinedSelections::AddCondition() {
    const QString condition = AskCondition("Nuova condizione", QString());
    if (!condition.isEmpty()) {
        AddItem({condition, true});
        m_list->setCurrentRow(m_list->count() - 1);
    }
    m_list->setFocus();
}

void DbmsPredefinedSelections::EditCondition() {
    QListWidgetItem* item = m_list->currentItem();
    if (!item) {
        Prompter().Beep();
        return;
    }
    const QString condition = AskCondition("Modifica condizione", item->text());
    if (!condition.isEmpty()) item->setText(condition);
    m_list->setFocus();
}

void DbmsPredefinedSelections::RemoveCondition() {
    const int row = m_list->currentRow();
    if (row < 0) {
        Prompter().Beep();
        return;
    }
    delete m_list->takeItem(row);
    if (m_list->count() > 0) m_list->setCurrentRow(std::min(row, m_list->count() - 1));
    m_list->setFocus();
}

bool DbmsPredefinedSelections::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Insert:
            AddCondition();
            return true;
        case Qt::Key_F2:
            EditCondition();
            return true;
        case Qt::Key_Delete:
            RemoveCondition();
            return true;
        default:
            break;
        }
    }
    return DbmsConfirmDialog::eventFilter(watched, event);
}

bool DbmsPredefinedSelections::Store() {
    std::vector<DbmsSelectionItem> items;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* row = m_list->item(i);
        items.push_back({row->text(), row->checkState() == Qt::Checked});
    }
    try {
        m_set.SetItems(items);
        if (!m_set.Name().isEmpty()) m_set.Save();
    } catch (const DbmsError& e) {
        ShowMessage(this, "Impossibile salvare le selezioni:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
        return false;
    }
    return true;
}
