#pragma once
// The description of a banded list report: title, detail columns and closing lines, and the
// fixed layouts the program prints its lists with.

#include <QString>
#include <optional>
#include <vector>

// How a column's value is printed.
enum class ReportKind {
    Text,   // the data source's own text (references show their target's text)
    Amount, // two decimals, thousands grouping: 1.234,50
    Whole,  // counts and points
    Date,   // dd/MM/yyyy
};

struct ReportColumn {
    QString Caption;
    QString Field;
    ReportKind Kind = ReportKind::Text;
    int Width = 1; // share of the page width
};

// A closing line of the report: a caption followed by the row count or a column's sum. Without
// a caption the value goes on the line before, under its own column.
struct ReportTotal {
    enum class What { Count, Sum };
    QString Caption;
    What Of = What::Count;
    QString Field; // summed field (amounts)
};

struct ReportLayout {
    QString Name;
    QString Title;
    std::vector<ReportColumn> Columns;
    std::vector<ReportTotal> Totals;
};

ReportLayout drArticoli(const QString& title);
ReportLayout drClienti(const QString& title);
ReportLayout drArticoliVenduti(const QString& title);
ReportLayout drVendite(const QString& title);

// A report drawn as one group per row: the sales summaries (the operation's heading row, then
// the rows of one of its collections) and the customer cards.
struct ReportGroupLayout {
    QString Name;
    QString Title;
    QString Collection; // summaries: the operation's collection listed under its heading
    std::vector<ReportColumn> Details;
    std::vector<ReportTotal> Totals; // over the operations
    bool Cards = false;
};

ReportGroupLayout drResoconto(const QString& title);
ReportGroupLayout drResocontoBonus(const QString& title);
ReportGroupLayout drResocontoPremi(const QString& title);
ReportGroupLayout drSituazioneClienti(const QString& title);
// The heading row of an operation in the summaries.
std::vector<ReportColumn> SaleHeadingColumns();

// The layout chosen for a table and a title (exact comparison). Name is empty when no layout
// fits; Layout holds the list layouts, Group the summaries and the customer cards.
struct ReportChoice {
    QString Name;
    std::optional<ReportLayout> Layout;
    std::optional<ReportGroupLayout> Group;
};
ReportChoice ChooseReportLayout(const QString& table, const QString& title);
