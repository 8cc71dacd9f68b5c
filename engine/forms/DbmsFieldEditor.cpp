#include "DbmsFieldEditor.h"

#include "DbmsClock.h"
#include "DbmsFormService.h"
#include "DbmsValues.h"
#include "itfPrompter.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QToolButton>

using Origin = DbmsFieldInfo::Origin;

namespace {
// Stands for "no date" in a date box, which cannot be empty; shown as a blank.
const QDateTime kNoDate(QDate(1900, 1, 1), QTime(0, 0));

class TextEditor : public DbmsFieldEditor {
public:
    TextEditor(const DbmsFieldInfo& f, QWidget* parent)
        : DbmsFieldEditor(f.Name, f.Caption, new QLineEdit(parent)),
          m_edit(static_cast<QLineEdit*>(Widget())), m_info(f) {
        if (f.Size > 0) m_edit->setMaxLength(f.Size);
        // A key the line cannot take (the field is full) is heard, not silently lost.
        connect(m_edit, &QLineEdit::inputRejected, this, [] { Prompter().Beep(); });
        connect(m_edit, &QLineEdit::editingFinished, this, &DbmsFieldEditor::Edited);
    }
    void Load(const QVariant& value) override {
        m_loaded = value.toString();
        m_edit->setText(m_loaded);
    }
    QVariant Value() const override { return m_edit->text(); }
    bool Changed() const override { return m_edit->text() != m_loaded; }

protected:
    QLineEdit* m_edit;
    DbmsFieldInfo m_info;
    QString m_loaded;
};

// Whole numbers and amounts take any key: what is not a number is refused by name when the
// edit is applied, rather than keys dropped unheard while typing.
class NumberEditor : public TextEditor {
public:
    NumberEditor(const DbmsFieldInfo& f, QWidget* parent) : TextEditor(f, parent) {
        m_edit->setMaxLength(f.Digits > 0 ? f.Digits : f.Type == DbmsType::Money ? 24 : 20);
        m_edit->setAlignment(Qt::AlignRight);
    }
    void Load(const QVariant& value) override {
        m_loaded = DbmsFormatValue(m_info.Type, value, nullptr, m_info.Digits);
        m_edit->setText(m_loaded);
    }
    QVariant Value() const override { return Parse(m_info, m_edit->text()); }
};

class BooleanEditor : public DbmsFieldEditor {
public:
    BooleanEditor(const DbmsFieldInfo& f, QWidget* parent)
        : DbmsFieldEditor(f.Name, f.Caption, new QCheckBox(parent)),
          m_box(static_cast<QCheckBox*>(Widget())) {
        connect(m_box, &QCheckBox::toggled, this, &DbmsFieldEditor::Edited);
    }
    void Load(const QVariant& value) override {
        m_loaded = value.toBool();
        const QSignalBlocker quiet(m_box);
        m_box->setChecked(m_loaded);
    }
    QVariant Value() const override { return m_box->isChecked(); }
    bool Changed() const override { return m_box->isChecked() != m_loaded; }

private:
    QCheckBox* m_box;
    bool m_loaded = false;
};

class DateEditor : public DbmsFieldEditor {
public:
    DateEditor(const DbmsFieldInfo& f, QWidget* parent)
        : DbmsFieldEditor(f.Name, f.Caption, new QDateTimeEdit(parent)),
          m_box(static_cast<QDateTimeEdit*>(Widget())) {
        m_box->setDisplayFormat("dd/MM/yyyy HH:mm");
        m_box->setCalendarPopup(true);
        m_box->setMinimumDateTime(kNoDate);
        m_box->setSpecialValueText(" ");
        // Only a finished edit counts, not every digit typed on the way.
        m_box->setKeyboardTracking(false);
        m_box->setDateTime(kNoDate);
        m_box->setToolTip("Canc: nessuna data");
        m_box->installEventFilter(this);
        m_loaded = kNoDate;
        connect(m_box, &QDateTimeEdit::editingFinished, this, &DbmsFieldEditor::Edited);
    }
    void Load(const QVariant& value) override {
        const QDateTime d = value.toDateTime();
        m_box->setDateTime(d.isValid() && d > kNoDate ? d : kNoDate);
        m_loaded = m_box->dateTime();
    }
    QVariant Value() const override {
        const QDateTime d = m_box->dateTime();
        return d <= kNoDate ? QVariant() : QVariant(d);
    }
    bool Changed() const override { return m_box->dateTime() != m_loaded; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_box || event->type() != QEvent::KeyPress)
            return DbmsFieldEditor::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool empty = m_box->dateTime() <= kNoDate;
        if (key->key() == Qt::Key_Delete && !empty) {
            m_box->setDateTime(kNoDate);
            emit Edited();
            return true;
        }
        // The blank of "no date" has no digits to type over: a digit starts from today,
        // day first, so "15032024" then "1030" gives 15/03/2024 10:30.
        if (empty && !key->text().isEmpty() && key->text()[0].isDigit()) {
            m_box->setDateTime(QDateTime(DbmsClock::Today(), QTime(0, 0)));
            m_box->setSelectedSection(QDateTimeEdit::DaySection);
        }
        return false;
    }

private:
    QDateTimeEdit* m_box;
    QDateTime m_loaded;
};

// A row of another table: its describing fields in a read-only line, chosen from the
// selection list with "..." (or F4, Alt+Down, Space), taken away with Del or Backspace.
class RowChooser : public DbmsFieldEditor {
public:
    RowChooser(DbmsDataSource& ds, const DbmsFieldInfo& f, QString source, QString target,
               QWidget* parent)
        : DbmsFieldEditor(f.Name, f.Caption, new QWidget(parent)), m_db(ds.Database()),
          m_source(std::move(source)), m_target(std::move(target)) {
        const DbmsTableDef* def = m_db->TableDef(m_target);
        m_targetCaption = def ? def->Caption : m_target;
        m_line = new QLineEdit(Widget());
        m_line->setObjectName(f.Name);
        m_line->setReadOnly(true);
        m_line->setToolTip("F4: scegli dall'elenco di " + m_targetCaption + " - Canc: nessuno");
        m_line->installEventFilter(this);
        auto* button = new QToolButton(Widget());
        button->setObjectName("cmdSet_" + f.Name);
        button->setText("...");
        button->setToolTip("Scegli dall'elenco di " + m_targetCaption);
        button->setFocusPolicy(Qt::NoFocus); // the line takes the keys
        auto* row = new QHBoxLayout(Widget());
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        row->addWidget(m_line);
        row->addWidget(button);
        Widget()->setObjectName("pnl" + f.Name);
        Widget()->setFocusProxy(m_line);
        connect(button, &QToolButton::clicked, this, [this] { Choose(); });
    }

    // The fields that describe a row of the target: those the reference names, else the
    // first two texts of the table.
    void SetShown(QStringList fields) { m_shown = std::move(fields); }

    QString SourceField() const override { return m_source; }
    QWidget* FocusWidget() const override { return m_line; }
    void Load(const QVariant& value) override {
        m_loaded = m_current = value.toLongLong();
        Show();
    }
    QVariant Value() const override { return QVariant(qint64(m_current)); }
    bool Changed() const override { return m_current != m_loaded; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_line && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool alt = key->modifiers() & Qt::AltModifier;
            if (key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space ||
                (alt && key->key() == Qt::Key_Down)) {
                Choose();
                return true;
            }
            if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
                Set(0);
                return true;
            }
        }
        return DbmsFieldEditor::eventFilter(watched, event);
    }

private:
    void Choose() {
        try {
            auto rows = m_db->Item(m_target)->OpenDataSource(QString(), m_shown.value(0));
            if (m_current) rows->Locate(m_current);
            const QVariant chosen = FormService().ShowSelectionList(m_line, *rows, m_targetCaption);
            if (chosen.isValid()) Set(chosen.toLongLong());
        } catch (const DbmsError& e) {
            ShowMessage(m_line, e.Description(), PromptIcon::Exclamation);
        }
        m_line->setFocus();
    }
    void Set(OID oid) {
        if (oid == m_current) return;
        m_current = oid;
        Show();
        emit Edited();
    }
    void Show() {
        // Reloads after every applied edit come here: the text is read only when the row named
        // changes.
        if (m_shownOid == m_current && m_hasShown) return;
        m_shownOid = m_current;
        m_hasShown = true;
        QStringList parts;
        if (m_current) {
            auto row = m_db->Item(m_target)->OpenDataSource(
                "OID = " + DbmsDatabase::NumberLiteral(qint64(m_current)));
            if (!row->IsEmpty())
                for (const QString& f : m_shown)
                    if (const QString t = row->GetText(f); !t.isEmpty()) parts << t;
        }
        m_line->setText(parts.join(" - "));
        m_line->setCursorPosition(0);
    }

    std::shared_ptr<DbmsDatabase> m_db;
    QString m_source;
    QString m_target;
    QString m_targetCaption;
    QStringList m_shown;
    QLineEdit* m_line;
    OID m_loaded = 0;
    OID m_current = 0;
    OID m_shownOid = 0;
    bool m_hasShown = false;
};

// The parent row's fields, shown with the child; they belong to the parent's own window.
class ReadOnlyEditor : public DbmsFieldEditor {
public:
    ReadOnlyEditor(const DbmsFieldInfo& f, QWidget* parent)
        : DbmsFieldEditor(f.Name, f.Caption, new QLineEdit(parent)),
          m_edit(static_cast<QLineEdit*>(Widget())), m_type(f.Type), m_digits(f.Digits) {
        m_edit->setReadOnly(true);
        m_edit->setFocusPolicy(Qt::NoFocus);
        QPalette p = m_edit->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        m_edit->setPalette(p);
        if (m_type == DbmsType::Integer || m_type == DbmsType::Money)
            m_edit->setAlignment(Qt::AlignRight);
    }
    bool ReadOnly() const override { return true; }
    void Load(const QVariant& value) override {
        m_value = value;
        m_edit->setText(DbmsFormatValue(m_type, value, nullptr, m_digits));
        m_edit->setCursorPosition(0);
    }
    QVariant Value() const override { return m_value; }
    bool Changed() const override { return false; }

private:
    QLineEdit* m_edit;
    int m_type;
    int m_digits;
    QVariant m_value;
};

// The wanted fields that rows of `table` show: its own or, for a child table, its parent's.
QStringList KnownFields(const DbmsDatabase& db, const QString& table, const QStringList& wanted) {
    const DbmsTableDef* def = db.TableDef(table);
    const DbmsTableDef* parent = def ? db.TableDef(def->ParentTable) : nullptr;
    QStringList out;
    for (const QString& f : wanted)
        if (!f.isEmpty() && ((def && def->Field(f)) || (parent && parent->Field(f)))) out << f;
    return out;
}

QStringList FirstTexts(const DbmsTableDef& def) {
    QStringList out;
    for (const DbmsFieldDef& f : def.Fields)
        if (f.Type == DbmsType::Text && out.size() < 2) out << f.Name;
    if (out.isEmpty() && !def.Fields.empty()) out << def.Fields.front().Name;
    return out;
}
} // namespace

DbmsFieldEditor::DbmsFieldEditor(QString field, QString caption, QWidget* widget)
    : m_field(std::move(field)), m_caption(std::move(caption)), m_widget(widget) {
    m_widget->setObjectName(m_field);
}

DbmsFieldEditor::~DbmsFieldEditor() = default;

QVariant DbmsFieldEditor::Parse(const DbmsFieldInfo& field, const QString& typed) {
    if (field.Type != DbmsType::Integer && field.Type != DbmsType::Money) return typed;
    const QString text = typed.trimmed();
    if (text.isEmpty()) return QVariant();
    if (field.Type == DbmsType::Money) {
        if (const std::optional<Money> m = ParseMoney(text)) return QVariant::fromValue(*m);
    } else {
        bool ok = false;
        // "1.000" the Italian way; plain digits always work.
        qint64 v = QLocale().toLongLong(text, &ok);
        if (!ok) v = text.toLongLong(&ok);
        if (ok) return QVariant(v);
    }
    throw DbmsError(
        DbmsError::BadValue,
        QString("Valore non valido per il campo %1: '%2'").arg(Label(field.Caption), typed));
}

std::unique_ptr<DbmsFieldEditor> DbmsFieldEditor::Create(DbmsDataSource& ds, const DbmsFieldInfo& f,
                                                         QWidget* parent) {
    const DbmsTableDef& def = ds.TableDef();
    const bool own = f.Table == def.Name;
    switch (f.From) {
    case Origin::Own:
        switch (f.Type) {
        case DbmsType::Integer:
        case DbmsType::Money:
            return std::make_unique<NumberEditor>(f, parent);
        case DbmsType::Boolean:
            return std::make_unique<BooleanEditor>(f, parent);
        case DbmsType::Date:
            return std::make_unique<DateEditor>(f, parent);
        default:
            return std::make_unique<TextEditor>(f, parent);
        }
    case Origin::Shown:
        if (own) {
            const DbmsReferenceDef* ref = def.Reference(f.Name);
            auto chooser =
                std::make_unique<RowChooser>(ds, f, "OID_" + ref->Name, ref->Target, parent);
            chooser->SetShown(
                KnownFields(*ds.Database(), ref->Target, {ref->ShownField1, ref->ShownField2}));
            return chooser;
        }
        return std::make_unique<ReadOnlyEditor>(f, parent);
    case Origin::ParentLink: {
        const DbmsTableDef* parentDef = ds.Database()->TableDef(def.ParentTable);
        DbmsFieldInfo shown = f;
        shown.Caption = parentDef->Caption;
        auto chooser = std::make_unique<RowChooser>(ds, shown, f.Name, parentDef->Name, parent);
        chooser->SetShown(FirstTexts(*parentDef));
        return chooser;
    }
    case Origin::Parent:
        return std::make_unique<ReadOnlyEditor>(f, parent);
    default:
        return nullptr;
    }
}

QString DbmsFieldEditor::Label(const QString& caption) {
    QString out;
    for (int i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        // A capital after a small letter starts a word; runs of capitals ("CAP") stay whole.
        if (i > 0 && c.isUpper() && caption[i - 1].isLower()) out += ' ';
        out += c == '_' ? QChar(' ') : c;
    }
    return out;
}

std::optional<Money> DbmsFieldEditor::ParseMoney(const QString& text) {
    static const QRegularExpression form(R"(^(-)?(\d{1,3}(?:\.\d{3})+|\d+)(?:,(\d{0,4}))?$)");
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    QString whole = m.captured(2);
    whole.remove('.');
    const qint64 fraction = m.captured(3).leftJustified(4, '0').toLongLong();
    // Beyond what ten-thousandths can hold: refused, never wrapped around.
    if (whole.size() > 15 || whole.toLongLong() > (INT64_MAX - fraction) / Money::Scale)
        return std::nullopt;
    const qint64 units = whole.toLongLong() * Money::Scale + fraction;
    return Money::FromUnits(m.captured(1).isEmpty() ? units : -units);
}
