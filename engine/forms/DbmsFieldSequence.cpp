#include "DbmsFieldSequence.h"

#include "DbmsFieldEditor.h"
#include "itfPrompter.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

DbmsFieldSequence::DbmsFieldSequence(QWidget* owner, DbmsDataSource& ds, const QString& caption,
                                     const QString& sequence)
    : DbmsConfirmDialog(owner) {
    setObjectName("DbmsFieldSequence");
    setWindowTitle(caption);
    m_available = MakeList("lstAvailable");
    m_shown = MakeList("lstShown");

    // The fields a grid can show: every one but the engine's keys and links.
    QStringList all;
    for (const DbmsFieldInfo& f : ds.Fields())
        if (!f.Excluded) all << f.Name;
    QStringList shown;
    for (const QString& part : sequence.split(',', Qt::SkipEmptyParts)) {
        const DbmsFieldInfo* f = ds.FieldInfo(part.trimmed());
        if (f && !f->Excluded && !shown.contains(f->Name)) shown << f->Name;
    }
    if (shown.isEmpty()) shown = all;
    auto item = [&](const QString& name, QListWidget* list) {
        auto* row = new QListWidgetItem(DbmsFieldEditor::Label(ds.FieldInfo(name)->Caption), list);
        row->setData(Qt::UserRole, name);
    };
    for (const QString& name : shown)
        item(name, m_shown);
    for (const QString& name : all)
        if (!shown.contains(name)) item(name, m_available);
    if (m_available->count() > 0) m_available->setCurrentRow(0);
    if (m_shown->count() > 0) m_shown->setCurrentRow(0);

    auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    QPushButton* add = button("&Aggiungi >", "cmdAdd");
    QPushButton* remove = button("< &Togli", "cmdRemove");
    QPushButton* up = button("S&u", "cmdUp");
    QPushButton* down = button("&Giù", "cmdDown");
    connect(add, &QPushButton::clicked, this, &DbmsFieldSequence::AddField);
    connect(remove, &QPushButton::clicked, this, &DbmsFieldSequence::RemoveField);
    connect(up, &QPushButton::clicked, this, [this] { MoveField(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveField(1); });
    connect(m_available, &QListWidget::itemDoubleClicked, this, &DbmsFieldSequence::AddField);
    connect(m_shown, &QListWidget::itemDoubleClicked, this, &DbmsFieldSequence::RemoveField);

    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addSpacing(12);
    middle->addWidget(up);
    middle->addWidget(down);
    middle->addStretch(1);
    auto* availableLabel = new QLabel("Campi &disponibili:", this);
    availableLabel->setBuddy(m_available);
    auto* shownLabel = new QLabel("Campi &visualizzati:", this);
    shownLabel->setBuddy(m_shown);
    auto* grid = new QGridLayout;
    grid->addWidget(availableLabel, 0, 0);
    grid->addWidget(shownLabel, 0, 2);
    grid->addWidget(m_available, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_shown, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(MakeButtons("OK", "Annulla"));
    resize(520, 360);
    m_shown->setFocus();
}

QListWidget* DbmsFieldSequence::MakeList(const QString& name) {
    auto* list = new QListWidget(this);
    list->setObjectName(name);
    list->installEventFilter(this);
    return list;
}

void DbmsFieldSequence::Move(QListWidget* from, QListWidget* to) {
    const int row = from->currentRow();
    if (row < 0) {
        Prompter().Beep();
        return;
    }
    QListWidgetItem* item = from->takeItem(row);
    // A field goes in after the current one of the other list, so it lands where it is wanted.
    const int at = to->currentRow() < 0 ? to->count() : to->currentRow() + 1;
    to->insertItem(at, item);
    to->setCurrentRow(at);
    if (from->count() > 0) from->setCurrentRow(std::min(row, from->count() - 1));
}

void DbmsFieldSequence::AddField() {
    Move(m_available, m_shown);
}

void DbmsFieldSequence::RemoveField() {
    Move(m_shown, m_available);
}

void DbmsFieldSequence::MoveField(int step) {
    const int row = m_shown->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= m_shown->count()) {
        Prompter().Beep();
        return;
    }
    m_shown->insertItem(to, m_shown->takeItem(row));
    m_shown->setCurrentRow(to);
}

bool DbmsFieldSequence::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == m_available || watched == m_shown)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (key->key() == Qt::Key_Insert && watched == m_available) {
            AddField();
            return true;
        }
        if (key->key() == Qt::Key_Delete && watched == m_shown) {
            RemoveField();
            return true;
        }
        if (ctrl && watched == m_shown &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            MoveField(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return DbmsConfirmDialog::eventFilter(watched, event);
}

bool DbmsFieldSequence::Store() {
    QStringList names;
    for (int i = 0; i < m_shown->count(); ++i)
        names << m_shown->item(i)->data(Qt::UserRole).toString();
    if (names.isEmpty()) {
        ShowMessage(this, "Scegli almeno un campo da visualizzare.", PromptIcon::Exclamation);
        return false;
    }
    m_sequence = names.join(',');
    return true;
}
