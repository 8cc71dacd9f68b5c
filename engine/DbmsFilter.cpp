// The filter dialect is parsed by hand into a small tree, so that one parse serves both the SQL
// translation and the list of names a filter mentions. Every literal ends up as a bound
// parameter: the SQL text is made only of resolved names, operators and placeholders.

#include "DbmsFilter.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace {

bool IsNameStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool IsNamePart(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// End of a (possibly qualified) name starting at `start`: a dot continues it only when a name
// follows, so "Articoli.Descrizione" is one name.
int NameEnd(const QString& text, int start) {
    int i = start;
    while (i < text.size()) {
        if (IsNamePart(text[i]))
            ++i;
        else if (text[i] == u'.' && i + 1 < text.size() && IsNameStart(text[i + 1]))
            i += 2;
        else
            break;
    }
    return i;
}

bool IsWord(const QString& value, const char* word) {
    return value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Words that can never be a field name in a filter.
bool IsReserved(const QString& value) {
    for (const char* word : {"AND", "OR", "NOT", "LIKE", "IS", "NULL"})
        if (IsWord(value, word)) return true;
    return false;
}

// The dialect's wildcards "*" and "?" become LIKE's; everything else stands for itself, SQL's
// own wildcards and the escape character included, so typed text is searched as written.
QString LikePattern(const QString& pattern) {
    QString sql;
    sql.reserve(pattern.size() + 8);
    for (const QChar c : pattern) {
        if (c == u'*') {
            sql += u'%';
        } else if (c == u'?') {
            sql += u'_';
        } else {
            if (c == u'%' || c == u'_' || c == u'\\') sql += u'\\';
            sql += c;
        }
    }
    return sql;
}

const QRegularExpression& NumberPattern() {
    static const QRegularExpression pattern(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
    return pattern;
}

enum class TokenKind { End, Name, Text, Number, Date, Operator, Open, Close };

struct Token {
    TokenKind Kind = TokenKind::End;
    QString Value; // name as written, text without quotes, number, date in stored form, operator
    int Start = 0;
    int End = 0;
};

enum class OperandKind { Name, Function, Text, Number, Date, Boolean };

struct Operand {
    OperandKind Kind = OperandKind::Name;
    QString Value;  // the name (a function's argument) or the literal's value
    QString Format; // strftime format of Month/Year/Day
    bool IsLiteral() const { return Kind != OperandKind::Name && Kind != OperandKind::Function; }
};

enum class NodeKind { Or, And, Not, Compare, Like, IsNull, IsNotNull };

struct Node {
    NodeKind Kind;
    std::vector<std::unique_ptr<Node>> Children; // Or, And: two or more; Not: one
    Operand Left, Right;                         // Compare: Left Op Right; others: Left
    QString Op; // comparison operator, or Like's SQL pattern (escape character \)
};

using NodePtr = std::unique_ptr<Node>;

class FilterParser {
public:
    explicit FilterParser(const QString& text) : m_text(text) {}

    // Nothing for a blank filter.
    NodePtr Parse() {
        if (m_text.trimmed().isEmpty()) return nullptr;
        NodePtr root = ParseList(NodeKind::Or);
        const Token rest = Peek();
        if (rest.Kind == TokenKind::Close)
            Fail(QStringLiteral("parentesi chiusa senza la sua apertura"), rest);
        if (rest.Kind != TokenKind::End)
            Fail(QStringLiteral("atteso AND, OR o la fine del filtro"), rest);
        return root;
    }

private:
    // OR binds loosest, then AND; NOT binds tighter than both.
    NodePtr ParseList(NodeKind kind) {
        const char* word = kind == NodeKind::Or ? "OR" : "AND";
        auto item = [&] { return kind == NodeKind::Or ? ParseList(NodeKind::And) : ParseUnary(); };
        NodePtr first = item();
        if (!PeekWord(word)) return first;
        auto list = std::make_unique<Node>(Node{kind, {}, {}, {}, {}});
        list->Children.push_back(std::move(first));
        while (PeekWord(word)) {
            Next();
            list->Children.push_back(item());
        }
        return list;
    }

    NodePtr ParseUnary() {
        // Each NOT and each parenthesis goes one level down. No clerk's filter comes near the
        // limit; a runaway text must not exhaust the stack (nor SQLite's expression depth).
        if (m_depth >= kMaxDepth)
            Fail(QStringLiteral("troppi livelli di parentesi o di NOT"), Peek());
        const struct Level {
            int& Depth;
            explicit Level(int& depth) : Depth(++depth) {}
            ~Level() { --Depth; }
        } level(m_depth);
        if (PeekWord("NOT")) {
            Next();
            auto node = std::make_unique<Node>(Node{NodeKind::Not, {}, {}, {}, {}});
            node->Children.push_back(ParseUnary());
            return node;
        }
        if (Peek().Kind == TokenKind::Open) {
            Next();
            NodePtr inner = ParseList(NodeKind::Or);
            const Token close = Next();
            if (close.Kind != TokenKind::Close)
                Fail(QStringLiteral("manca una parentesi chiusa"), close);
            return inner;
        }
        return ParsePredicate();
    }

    NodePtr ParsePredicate() {
        const Token first = Peek();
        auto node = std::make_unique<Node>(Node{NodeKind::Compare, {}, ParseOperand(), {}, {}});
        const Token op = Peek();
        if (op.Kind == TokenKind::Operator) {
            Next();
            const Token second = Peek();
            node->Op = op.Value;
            node->Right = ParseOperand();
            // Two literals compare nothing stored; refusing them also stops text pasted into a
            // filter without its quotes doubled from turning into an always-true condition.
            if (node->Left.IsLiteral() && node->Right.IsLiteral())
                Fail(QStringLiteral("un confronto deve riguardare un campo"), second);
            return node;
        }
        if (node->Left.IsLiteral()) Fail(QStringLiteral("atteso il nome di un campo"), first);
        if (PeekWord("LIKE")) {
            Next();
            node->Kind = NodeKind::Like;
            node->Op = ParsePattern();
            return node;
        }
        if (PeekWord("IS")) {
            Next();
            node->Kind = NodeKind::IsNull;
            if (PeekWord("NOT")) {
                Next();
                node->Kind = NodeKind::IsNotNull;
            }
            const Token null = Next();
            if (null.Kind != TokenKind::Name || !IsWord(null.Value, "NULL"))
                Fail(QStringLiteral("atteso NULL"), null);
            return node;
        }
        Fail(QStringLiteral("atteso un operatore di confronto"), op);
    }

    Operand ParseOperand() {
        const Token token = Next();
        switch (token.Kind) {
        case TokenKind::Text:
            return {OperandKind::Text, token.Value, {}};
        case TokenKind::Number:
            return {OperandKind::Number, token.Value, {}};
        case TokenKind::Date:
            return {OperandKind::Date, token.Value, {}};
        case TokenKind::Name:
            break;
        default:
            Fail(QStringLiteral("manca un operando"), token);
        }
        if (IsReserved(token.Value)) Fail(QStringLiteral("manca un operando"), token);
        if (IsWord(token.Value, "TRUE") || IsWord(token.Value, "FALSE"))
            return {OperandKind::Boolean, IsWord(token.Value, "TRUE") ? "1" : "0", {}};
        const QString format = IsWord(token.Value, "MONTH")  ? QStringLiteral("%m")
                               : IsWord(token.Value, "YEAR") ? QStringLiteral("%Y")
                               : IsWord(token.Value, "DAY")  ? QStringLiteral("%d")
                                                             : QString();
        if (format.isEmpty() || Peek().Kind != TokenKind::Open)
            return {OperandKind::Name, token.Value, {}};
        Next();
        const Token argument = Next();
        if (argument.Kind != TokenKind::Name || IsReserved(argument.Value))
            Fail(QStringLiteral("atteso il nome di un campo"), argument);
        const Token close = Next();
        if (close.Kind != TokenKind::Close)
            Fail(QStringLiteral("manca una parentesi chiusa"), close);
        return {OperandKind::Function, argument.Value, format};
    }

    // A Like pattern, quoted or bare. A bare one runs to the next " AND " / " OR ", to a
    // closing parenthesis it did not open, or to the end; the windows write "Campo Like *ros*".
    QString ParsePattern() {
        int start = m_pos;
        while (start < m_text.size() && m_text[start].isSpace())
            ++start;
        QString pattern;
        if (start < m_text.size() && m_text[start] == u'\'') {
            const Token quoted = Next();
            pattern = quoted.Value;
        } else {
            int end = start;
            int depth = 0;
            for (; end < m_text.size(); ++end) {
                const QChar c = m_text[end];
                if (c == u'(') {
                    ++depth;
                } else if (c == u')') {
                    if (depth == 0) break;
                    --depth;
                } else if (end > 0 && m_text[end - 1].isSpace() &&
                           (IsBlankWordAt(end, "AND") || IsBlankWordAt(end, "OR"))) {
                    break;
                }
            }
            m_pos = end;
            while (end > start && m_text[end - 1].isSpace())
                --end;
            pattern = m_text.mid(start, end - start);
            if (pattern.isEmpty())
                Fail(QStringLiteral("manca il modello dopo LIKE"),
                     Token{TokenKind::End, {}, start, start + 1});
        }
        return LikePattern(pattern);
    }

    // `word` at `pos`, followed by a blank.
    bool IsBlankWordAt(int pos, const char* word) const {
        const int length = int(qstrlen(word));
        return pos + length < m_text.size() && m_text[pos + length].isSpace() &&
               IsWord(m_text.mid(pos, length), word);
    }

    bool PeekWord(const char* word) const {
        const Token token = Peek();
        return token.Kind == TokenKind::Name && IsWord(token.Value, word);
    }

    Token Peek() const { return Lex(m_pos); }

    Token Next() {
        Token token = Lex(m_pos);
        m_pos = token.End;
        return token;
    }

    Token Lex(int pos) const {
        while (pos < m_text.size() && m_text[pos].isSpace())
            ++pos;
        Token token{TokenKind::End, {}, pos, pos};
        if (pos >= m_text.size()) return token;
        const QChar c = m_text[pos];
        const QChar after = pos + 1 < m_text.size() ? m_text[pos + 1] : QChar();
        if (c == u'(' || c == u')') {
            token.Kind = c == u'(' ? TokenKind::Open : TokenKind::Close;
            token.End = pos + 1;
        } else if (c == u'=' || c == u'<' || c == u'>') {
            token.Kind = TokenKind::Operator;
            const bool pair =
                (c == u'<' && (after == u'>' || after == u'=')) || (c == u'>' && after == u'=');
            token.End = pos + (pair ? 2 : 1);
        } else if (c == u'\'') {
            LexText(token);
        } else if (c == u'#') {
            LexDate(token);
        } else if (c.isDigit() || (c == u'-' && after.isDigit())) {
            int end = pos + 1;
            while (end < m_text.size() && (m_text[end].isDigit() || m_text[end] == u'.'))
                ++end;
            token.Kind = TokenKind::Number;
            token.End = end;
            if (end < m_text.size() && IsNamePart(m_text[end])) token.End = NameEnd(m_text, end);
            if (!NumberPattern().match(m_text.mid(pos, token.End - pos)).hasMatch())
                Fail(QStringLiteral("numero non valido"), token);
        } else if (IsNameStart(c)) {
            token.Kind = TokenKind::Name;
            token.End = NameEnd(m_text, pos);
        } else {
            token.End = pos + 1;
            Fail(QStringLiteral("carattere non ammesso"), token);
        }
        if (token.Kind != TokenKind::Text && token.Kind != TokenKind::Date)
            token.Value = m_text.mid(pos, token.End - pos);
        return token;
    }

    // 'text' with '' standing for one quote.
    void LexText(Token& token) const {
        token.Kind = TokenKind::Text;
        for (int i = token.Start + 1; i < m_text.size(); ++i) {
            if (m_text[i] != u'\'') {
                token.Value += m_text[i];
            } else if (i + 1 < m_text.size() && m_text[i + 1] == u'\'') {
                token.Value += u'\'';
                ++i;
            } else {
                token.End = i + 1;
                return;
            }
        }
        token.End = m_text.size();
        Fail(QStringLiteral("testo tra apici non chiuso"), token);
    }

    // #mm/dd/yyyy# or #mm/dd/yyyy hh:mm:ss#, turned into the stored form of dates.
    void LexDate(Token& token) const {
        static const QRegularExpression pattern(QStringLiteral(
            "^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
        token.Kind = TokenKind::Date;
        const int close = m_text.indexOf(u'#', token.Start + 1);
        token.End = close < 0 ? m_text.size() : close + 1;
        if (close < 0) Fail(QStringLiteral("data non chiusa dal carattere #"), token);
        const auto match = pattern.match(m_text.mid(token.Start + 1, close - token.Start - 1));
        const auto part = [&](int n) { return match.captured(n).toInt(); };
        const QDate date = match.hasMatch() ? QDate(part(3), part(1), part(2)) : QDate();
        const QTime time(part(4), part(5), part(6));
        if (!date.isValid() || !time.isValid()) Fail(QStringLiteral("data non valida"), token);
        token.Value = date.toString(u"yyyy-MM-dd") + u' ' + time.toString(u"HH:mm:ss");
    }

    [[noreturn]] void Fail(const QString& what, const Token& near) const {
        const QString where =
            near.Start >= m_text.size()
                ? QStringLiteral("alla fine del testo")
                : QStringLiteral("vicino a '%1' (posizione %2)")
                      .arg(m_text.mid(near.Start, qBound(1, near.End - near.Start, 30)),
                           QString::number(near.Start + 1));
        throw DbmsError(DbmsError::FilterSyntax,
                        QStringLiteral("Errore di sintassi nel filtro: %1, %2").arg(what, where));
    }

    static constexpr int kMaxDepth = 100;
    const QString& m_text;
    int m_pos = 0;
    int m_depth = 0;
};

class SqlWriter {
public:
    explicit SqlWriter(const DbmsNameResolver& names) : m_names(names) {}

    QVariantList Params;

    QString Write(const Node& node) {
        switch (node.Kind) {
        case NodeKind::Or:
        case NodeKind::And: {
            QStringList parts;
            for (const NodePtr& child : node.Children)
                parts << Write(*child);
            const QString joint =
                node.Kind == NodeKind::Or ? QStringLiteral(" OR ") : QStringLiteral(" AND ");
            return QStringLiteral("(%1)").arg(parts.join(joint));
        }
        case NodeKind::Not:
            return QStringLiteral("NOT (%1)").arg(Write(*node.Children.front()));
        case NodeKind::Like:
            Params << node.Op;
            return Field(node.Left).Sql + QStringLiteral(" LIKE ? ESCAPE '\\'");
        case NodeKind::IsNull:
            return Field(node.Left).Sql + QStringLiteral(" IS NULL");
        case NodeKind::IsNotNull:
            return Field(node.Left).Sql + QStringLiteral(" IS NOT NULL");
        case NodeKind::Compare:
            break;
        }
        // Fields first, so that each literal is bound knowing what it is compared with;
        // parameters are still added left to right, as their placeholders appear.
        const auto field = [&](const Operand& operand) {
            return operand.IsLiteral() ? std::optional<DbmsResolvedName>() : Field(operand);
        };
        const std::optional<DbmsResolvedName> left = field(node.Left);
        const std::optional<DbmsResolvedName> right = field(node.Right);
        const int leftType = left ? left->Type : right->Type;
        const int rightType = right ? right->Type : left->Type;
        const QString leftSql = left ? left->Sql : Bind(node.Left, rightType);
        const QString rightSql = right ? right->Sql : Bind(node.Right, leftType);
        QString sql = QStringLiteral("%1 %2 %3").arg(leftSql, node.Op, rightSql);
        if ((left && left->Type == DbmsType::Text) || (right && right->Type == DbmsType::Text))
            sql += QStringLiteral(" COLLATE NOCASE");
        return sql;
    }

private:
    DbmsResolvedName Field(const Operand& operand) const {
        std::optional<DbmsResolvedName> name = m_names.Resolve(operand.Value);
        if (!name)
            throw DbmsError(DbmsError::UnknownField,
                            QStringLiteral("Campo sconosciuto nel filtro: %1").arg(operand.Value));
        if (operand.Kind == OperandKind::Function)
            return {QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)")
                        .arg(operand.Format, name->Sql),
                    DbmsType::Integer};
        return *name;
    }

    QString Bind(const Operand& literal, int against) {
        const QString& value = literal.Value;
        if (literal.Kind == OperandKind::Text || literal.Kind == OperandKind::Date) {
            // A number written as text still means an amount when compared with money.
            if (against == DbmsType::Money && NumberPattern().match(value).hasMatch())
                return Bind({OperandKind::Number, value, {}}, against);
            Params << value;
        } else if (literal.Kind == OperandKind::Boolean) {
            Params << value.toLongLong();
        } else {
            bool whole = false;
            const qint64 number = value.toLongLong(&whole);
            const qint64 limit = std::numeric_limits<qint64>::max() / Money::Scale;
            if (against == DbmsType::Money && whole && std::llabs(number) <= limit)
                Params << number * Money::Scale;
            else if (against == DbmsType::Money)
                Params << qint64(std::llround(value.toDouble() * Money::Scale));
            else if (whole && against == DbmsType::Boolean && number == -1)
                Params << qint64(1); // the old platform's True; yes/no columns hold 0/1
            else if (whole)
                Params << number;
            else
                Params << value.toDouble();
        }
        return QStringLiteral("?");
    }

    const DbmsNameResolver& m_names;
};

void CollectNames(const Node& node, QStringList& names) {
    for (const NodePtr& child : node.Children)
        CollectNames(*child, names);
    for (const Operand* operand : {&node.Left, &node.Right})
        if (!operand->IsLiteral() && !operand->Value.isEmpty() &&
            !names.contains(operand->Value, Qt::CaseInsensitive))
            names << operand->Value;
}

[[noreturn]] void FailOrder(const QString& what, const QString& near) {
    throw DbmsError(
        DbmsError::OrderSyntax,
        QStringLiteral("Errore di sintassi nell'ordinamento: %1, vicino a '%2'").arg(what, near));
}

} // namespace

DbmsSqlFragment DbmsFilterToSql(const QString& filter, const DbmsNameResolver& names) {
    const NodePtr root = FilterParser(filter).Parse();
    if (!root) return {};
    SqlWriter writer(names);
    DbmsSqlFragment fragment;
    fragment.Sql = writer.Write(*root);
    fragment.Params = writer.Params;
    return fragment;
}

std::vector<DbmsOrderKey> DbmsOrderKeys(const QString& order, const DbmsNameResolver& names) {
    std::vector<DbmsOrderKey> keys;
    if (order.trimmed().isEmpty()) return keys;
    for (const QString& item : order.split(u',')) {
        const QStringList words = item.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty())
            FailOrder(QStringLiteral("manca il nome di un campo"), order.trimmed());
        const QString& name = words.front();
        if (!IsNameStart(name.front()) || NameEnd(name, 0) != name.size())
            FailOrder(QStringLiteral("nome di campo non valido"), name);
        if (words.size() > 2 ||
            (words.size() == 2 && !IsWord(words[1], "ASC") && !IsWord(words[1], "DESC")))
            FailOrder(QStringLiteral("atteso ASC o DESC dopo il nome del campo"), item.trimmed());
        const std::optional<DbmsResolvedName> field = names.Resolve(name);
        if (!field)
            throw DbmsError(DbmsError::UnknownField,
                            QStringLiteral("Campo sconosciuto nell'ordinamento: %1").arg(name));
        keys.push_back({field->Sql, field->Type == DbmsType::Text,
                        words.size() == 2 && IsWord(words[1], "DESC")});
    }
    return keys;
}

DbmsSqlFragment DbmsOrderToSql(const QString& order, const DbmsNameResolver& names) {
    QStringList items;
    for (const DbmsOrderKey& key : DbmsOrderKeys(order, names))
        items << key.Sql + (key.Text ? QStringLiteral(" COLLATE NOCASE") : QString()) +
                     (key.Descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    return {items.join(QStringLiteral(", ")), {}};
}

QStringList DbmsFilterNames(const QString& filter) {
    QStringList names;
    if (const NodePtr root = FilterParser(filter).Parse()) CollectNames(*root, names);
    return names;
}
