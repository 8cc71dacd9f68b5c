#include "DbmsComplexFilter.h"

#include "DbmsDatabase.h"
#include "DbmsFieldEditor.h"
#include "itfPrompter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace {

enum Comparison {
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Contains,
    StartsWith,
    Empty,
    NotEmpty
};

const char* const ComparisonTexts[] = {"=",  "<>",       "<",          "<=",      ">",
                                       ">=", "contiene", "inizia con", "è vuoto", "non è vuoto"};
const char* const Operators[] = {"=", "<>", "<", "<=", ">", ">="};

// The comparisons that mean something for a field of `type`: patterns only on text, order
// not on yes/no.
QList<Comparison> ComparisonsFor(int type) {
    if (type == DbmsType::Text)
        return {Equal,        NotEqual, Less,       LessEqual, Greater,
                GreaterEqual, Contains, StartsWith, Empty,     NotEmpty};
    if (type == DbmsType::Boolean) return {Equal, NotEqual, Empty, NotEmpty};
    return {Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, Empty, NotEmpty};
}

// A number as the clerk types it, "1.234,50" or "12.5"; nothing when it is none.
std::optional<double> ReadNumber(const QString& text) {
    bool ok = false;
    double value = QLocale(QLocale::Italian).toDouble(text, &ok);
    if (!ok) value = QLocale::c().toDouble(text, &ok);
    return ok ? std::optional(value) : std::nullopt;
}

QDate ReadDate(const QString& text) {
    for (const char* format : {"d/M/yyyy", "d-M-yyyy", "d.M.yyyy"}) {
        const QDate date = QDate::fromString(text, QLatin1String(format));
        if (date.isValid()) return date;
    }
    // Two-digit years are of this century, as the clerk means them.
    const QDate date = QDate::fromString(text, QStringLiteral("d/M/yy"));
    return date.isValid() ? date.addYears(100) : QDate();
}

std::optional<bool> ReadYesNo(const QString& text) {
    const QString t = text.toLower();
    for (const char* yes : {"sì", "si", "s", "vero", "true", "1"})
        if (t == QString::fromUtf8(yes)) return true;
    for (const char* no : {"no", "n", "falso", "false", "0"})
        if (t == QLatin1String(no)) return false;
    return std::nullopt;
}

// The condition on `name` of `type`; `value` already trimmed. Empty when the value does not
// fit the field.
QString ConditionText(const QString& name, int type, Comparison how, const QString& value) {
    const bool text = type == DbmsType::Text;
    if (how == Empty) return text ? name + " Is Null OR " + name + " = ''" : name + " Is Null";
    if (how == NotEmpty)
        return text ? name + " Is Not Null AND " + name + " <> ''" : name + " Is Not Null";
    if (how == Contains) return name + " Like " + DbmsDatabase::PatternLiteral("*" + value + "*");
    if (how == StartsWith) return name + " Like " + DbmsDatabase::PatternLiteral(value + "*");
    const QString op = QLatin1String(Operators[how]);
    if (text) return name + " " + op + " " + DbmsDatabase::TextLiteral(value);
    if (type == DbmsType::Boolean) {
        const std::optional<bool> yes = ReadYesNo(value);
        if (!yes) return QString();
        return name + " " + op + (*yes ? " True" : " False");
    }
    if (type == DbmsType::Date) {
        // Dates are stored with their time: a day is everything from its midnight to the next.
        const QDate day = ReadDate(value);
        if (!day.isValid()) return QString();
        const QString from = DbmsDatabase::DateLiteral(day);
        const QString to = DbmsDatabase::DateLiteral(day.addDays(1));
        switch (how) {
        case Equal:
            return name + " >= " + from + " AND " + name + " < " + to;
        case NotEqual:
            return name + " < " + from + " OR " + name + " >= " + to;
        case Less:
        case GreaterEqual:
            return name + " " + op + " " + from;
        case LessEqual:
            return name + " < " + to;
        default:
            return name + " >= " + to;
        }
    }
    const std::optional<double> number = ReadNumber(value);
    // Counts and codes are whole numbers.
    if (!number || (type != DbmsType::Money && *number != std::trunc(*number))) return QString();
    return name + " " + op + " " + DbmsDatabase::NumberLiteral(*number);
}

} // namespace

DbmsComplexFilter::DbmsComplexFilter(QWidget* owner, DbmsDataSource& ds, DbmsSelectionSet& set,
                                     const QString& caption)
    : DbmsConfirmDialog(owner), m_ds(ds), m_set(set),
      m_store(ds.Database(), set.TableName(), set.SelectionKind()), m_name(set.Name()) {
    setObjectName("DbmsComplexFilter");
    setWindowTitle(caption);
    auto button = [this](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };

    // The named filters of the table.
    m_names = new QComboBox(this);
    m_names->setObjectName("cboNome");
    m_names->setEditable(true);
    m_names->setInsertPolicy(QComboBox::NoInsert);
    m_names->setMinimumContentsLength(20);
    FillNames(m_name);
    QPushButton* load = button("&Carica", "cmdLoad");
    QPushButton* save = button("&Salva", "cmdSave");
    QPushButton* drop = button("E&limina", "cmdDelete");
    connect(load, &QPushButton::clicked, this, &DbmsComplexFilter::LoadFilter);
    connect(save, &QPushButton::clicked, this, &DbmsComplexFilter::SaveFilter);
    connect(drop, &QPushButton::clicked, this, &DbmsComplexFilter::DeleteFilter);
    auto* named = new QHBoxLayout;
    named->addWidget(label("&Filtro:", m_names));
    named->addWidget(m_names, 1);
    named->addWidget(load);
    named->addWidget(save);
    named->addWidget(drop);

    // A new condition: field, comparison, value.
    m_field = new QComboBox(this);
    m_field->setObjectName("cboCampo");
    for (const DbmsFieldInfo& f : ds.Fields())
        if (!f.Excluded) m_field->addItem(DbmsFieldEditor::Label(f.Caption), f.Name);
    m_compare = new QComboBox(this);
    m_compare->setObjectName("cboConfronto");
    m_value = new QLineEdit(this);
    m_value->setObjectName("txtValore");
    m_value->installEventFilter(this);
    FillComparisons();
    connect(m_field, &QComboBox::currentIndexChanged, this, &DbmsComplexFilter::FillComparisons);
    connect(m_compare, &QComboBox::currentIndexChanged, this, [this] {
        const int how = m_compare->currentData().toInt();
        m_value->setEnabled(how != Empty && how != NotEmpty);
    });
    QPushButton* addAnd = button("Aggiungi con &E (AND)", "cmdAnd");
    QPushButton* addOr = button("Aggiungi con &O (OR)", "cmdOr");
    connect(addAnd, &QPushButton::clicked, this, [this] { AddCondition(false); });
    connect(addOr, &QPushButton::clicked, this, [this] { AddCondition(true); });
    auto* build = new QGroupBox("Nuova condizione", this);
    auto* grid = new QGridLayout(build);
    grid->addWidget(label("Ca&mpo:", m_field), 0, 0);
    grid->addWidget(label("Confron&to:", m_compare), 0, 1);
    grid->addWidget(label("&Valore:", m_value), 0, 2);
    grid->addWidget(m_field, 1, 0);
    grid->addWidget(m_compare, 1, 1);
    grid->addWidget(m_value, 1, 2);
    grid->setColumnStretch(2, 1);
    auto* joins = new QHBoxLayout;
    joins->addStretch(1);
    joins->addWidget(addAnd);
    joins->addWidget(addOr);
    grid->addLayout(joins, 2, 0, 1, 3);

    // The conditions, each ticked when it applies.
    m_list = new QListWidget(this);
    m_list->setObjectName("lstCondizioni");
    m_list->installEventFilter(this);
    for (const DbmsSelectionItem& item : set.Items())
        AddRow(item);
    if (m_list->count() > 0) m_list->setCurrentRow(0);
    QPushButton* remove = button("&Rimuovi", "cmdRemove");
    QPushButton* clear = button("Svuot&a", "cmdClear");
    connect(remove, &QPushButton::clicked, this, &DbmsComplexFilter::RemoveCondition);
    connect(clear, &QPushButton::clicked, this, &DbmsComplexFilter::ClearConditions);
    auto* side = new QVBoxLayout;
    side->addWidget(remove);
    side->addWidget(clear);
    side->addStretch(1);
    auto* conditions = new QHBoxLayout;
    conditions->addWidget(m_list, 1);
    conditions->addLayout(side);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(named);
    layout->addWidget(build);
    layout->addWidget(label("Condi&zioni (spunta quelle da applicare):", m_list));
    layout->addLayout(conditions, 1);
    layout->addWidget(MakeButtons("OK", "Annulla"));
    resize(640, 420);
    m_field->setFocus();
}

void DbmsComplexFilter::FillComparisons() {
    const DbmsFieldInfo* f = m_ds.FieldInfo(m_field->currentData().toString());
    const QString kept = m_compare->currentText();
    m_compare->clear();
    for (Comparison how : ComparisonsFor(f ? f->Type : DbmsType::Text))
        m_compare->addItem(QString::fromUtf8(ComparisonTexts[how]), int(how));
    m_compare->setCurrentIndex(std::max(0, m_compare->findText(kept)));
}

void DbmsComplexFilter::FillNames(const QString& current) {
    m_names->clear();
    try {
        m_names->addItems(m_store.StoredNames().split(u'|', Qt::SkipEmptyParts));
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
    }
    m_names->setCurrentIndex(m_names->findText(current));
    m_names->setEditText(current);
}

void DbmsComplexFilter::AddRow(const DbmsSelectionItem& item) {
    auto* row = new QListWidgetItem(item.Condition, m_list);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(item.Active ? Qt::Checked : Qt::Unchecked);
}

std::vector<DbmsSelectionItem> DbmsComplexFilter::Rows() const {
    std::vector<DbmsSelectionItem> items;
    for (int i = 0; i < m_list->count(); ++i)
        items.push_back({m_list->item(i)->text(), m_list->item(i)->checkState() == Qt::Checked});
    return items;
}

bool DbmsComplexFilter::Valid(const QString& condition) {
    try {
        m_set.Validate(condition);
        return true;
    } catch (const DbmsError& e) {
        ShowMessage(this, "Condizione non valida:\n\n" + e.Description(), PromptIcon::Exclamation);
        return false;
    }
}

QString DbmsComplexFilter::BuiltCondition() {
    const DbmsFieldInfo* f = m_ds.FieldInfo(m_field->currentData().toString());
    if (!f) {
        ShowMessage(this, "Scegli il campo della condizione.", PromptIcon::Exclamation);
        m_field->setFocus();
        return QString();
    }
    const auto how = Comparison(m_compare->currentData().toInt());
    const QString value = m_value->text().trimmed();
    const QString field = m_field->currentText();
    if (value.isEmpty() && how != Empty && how != NotEmpty) {
        ShowMessage(this, QString("Scrivi il valore per il campo %1.").arg(field),
                    PromptIcon::Exclamation);
        m_value->setFocus();
        return QString();
    }
    const QString condition = ConditionText(f->Name, f->Type, how, value);
    if (condition.isEmpty()) {
        ShowMessage(this, QString("Valore non valido per il campo %1: '%2'").arg(field, value),
                    PromptIcon::Exclamation);
        m_value->setFocus();
        m_value->selectAll();
        return QString();
    }
    return Valid(condition) ? condition : QString();
}

void DbmsComplexFilter::AddCondition(bool orWithLast) {
    QString condition = BuiltCondition();
    if (condition.isEmpty()) return;
    QListWidgetItem* last = m_list->count() > 0 ? m_list->item(m_list->count() - 1) : nullptr;
    if (orWithLast && last) {
        condition = "(" + last->text() + ") OR (" + condition + ")";
        if (!Valid(condition)) return;
        last->setText(condition);
        last->setCheckState(Qt::Checked);
    } else {
        AddRow({condition, true});
    }
    m_list->setCurrentRow(m_list->count() - 1);
    m_value->clear();
    m_field->setFocus();
}

void DbmsComplexFilter::RemoveCondition() {
    const int row = m_list->currentRow();
    if (row < 0) {
        Prompter().Beep();
        return;
    }
    delete m_list->takeItem(row);
    if (m_list->count() > 0) m_list->setCurrentRow(std::min(row, m_list->count() - 1));
    m_list->setFocus();
}

void DbmsComplexFilter::ClearConditions() {
    m_list->clear();
    m_field->setFocus();
}

QString DbmsComplexFilter::ChosenName() {
    const QString name = m_names->currentText().trimmed();
    if (name.isEmpty()) {
        ShowMessage(this, "Scrivi o scegli il nome del filtro.", PromptIcon::Exclamation);
        m_names->setFocus();
    }
    // A stored name typed in another case is that filter, not a new one beside it.
    for (int i = 0; i < m_names->count(); ++i)
        if (m_names->itemText(i).compare(name, Qt::CaseInsensitive) == 0)
            return m_names->itemText(i);
    return name;
}

void DbmsComplexFilter::LoadFilter() {
    const QString name = ChosenName();
    if (name.isEmpty()) return;
    try {
        if (!m_store.Load(name)) {
            ShowMessage(this, "Un filtro con questo nome non è presente!", PromptIcon::Exclamation);
            return;
        }
    } catch (const DbmsError& e) {
        ShowMessage(this, e.Description(), PromptIcon::Exclamation);
        return;
    }
    m_list->clear();
    for (const DbmsSelectionItem& item : m_store.Items())
        AddRow(item);
    if (m_list->count() > 0) m_list->setCurrentRow(0);
    m_name = name;
    m_list->setFocus();
}

void DbmsComplexFilter::SaveFilter() {
    const QString name = ChosenName();
    if (name.isEmpty()) return;
    const std::vector<DbmsSelectionItem> items = Rows();
    if (items.empty()) {
        ShowMessage(this, "Non ci sono condizioni da salvare.", PromptIcon::Exclamation);
        return;
    }
    try {
        if (m_names->findText(name) >= 0 &&
            ShowMessage(this, QString("Il filtro '%1' esiste già.\n\nVuoi sostituirlo?").arg(name),
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::No) != PromptAnswer::Yes)
            return;
        m_store.SetItems(items);
        m_store.Save(name);
    } catch (const DbmsError& e) {
        ShowMessage(this, "Impossibile salvare il filtro:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
        return;
    }
    m_name = name;
    FillNames(name);
    m_list->setFocus();
}

void DbmsComplexFilter::DeleteFilter() {
    const QString name = ChosenName();
    if (name.isEmpty()) return;
    try {
        if (m_names->findText(name) < 0) {
            ShowMessage(this, "Un filtro con questo nome non è presente!", PromptIcon::Exclamation);
            return;
        }
        if (ShowMessage(this, QString("Vuoi eliminare il filtro '%1'?").arg(name),
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::No) != PromptAnswer::Yes)
            return;
        m_store.Remove(name);
    } catch (const DbmsError& e) {
        ShowMessage(this, "Impossibile eliminare il filtro:\n\n" + e.Description(),
                    PromptIcon::Exclamation);
        return;
    }
    // The conditions stay on screen: they can still be applied or saved under another name.
    if (m_name == name) m_name.clear();
    FillNames(QString());
    m_names->setFocus();
}

bool DbmsComplexFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter with an empty value is OK, as everywhere else.
        if (watched == m_value && (key == Qt::Key_Return || key == Qt::Key_Enter) &&
            !m_value->text().trimmed().isEmpty()) {
            AddCondition(false);
            return true;
        }
        if (watched == m_list && key == Qt::Key_Delete) {
            RemoveCondition();
            return true;
        }
    }
    return DbmsConfirmDialog::eventFilter(watched, event);
}

bool DbmsComplexFilter::Store() {
    try {
        m_set.SetItems(Rows());
    } catch (const DbmsError& e) {
        ShowMessage(this, "Condizione non valida:\n\n" + e.Description(), PromptIcon::Exclamation);
        return false;
    }
    m_set.SetName(m_name);
    return true;
}
