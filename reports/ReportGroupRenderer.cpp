#include "ReportGroupRenderer.h"

#include "DbmsDataSource.h"
#include "DbmsValues.h"

#include <QPainter>
#include <climits>

namespace {
QString Joined(const QStringList& parts, const QString& separator) {
    QStringList given;
    for (const QString& s : parts)
        if (!s.trimmed().isEmpty()) given << s.trimmed();
    return given.join(separator);
}
constexpr qreal TitleHeight = 28;
// Ends a drawing run once its last page is full.
struct PastLastPage {};
} // namespace

ReportGroupRenderer::ReportGroupRenderer(const ReportGroupLayout& layout, DbmsDataSource& rows,
                                         const QString& agencyName, const QString& agencyWeb)
    : ReportDocument(layout.Title, rows), m_layout(layout),
      m_agency(AgencyLine(agencyName, agencyWeb)) {}

QString ReportGroupRenderer::AgencyLine(const QString& name, const QString& web) {
    return Joined({name, web}, " - ");
}

int ReportGroupRenderer::DoPaginate(itfProgress* progress) {
    m_starts.clear();
    m_sums.assign(m_layout.Totals.size(), Money());
    // Counting reads every group: the report says so and can be stopped here too.
    if (progress) progress->OnStart(Operation(), m_count);
    Run(
        nullptr, Cursor(), 0, INT_MAX, [] {}, progress);
    if (progress) progress->OnEnd(Operation());
    return int(m_starts.size());
}

void ReportGroupRenderer::DoDraw(QPainter& p, int first, int last,
                                 const std::function<void()>& newPage, itfProgress* progress) {
    try {
        Run(&p, m_starts.at(first - 1), first - 1, last, newPage, progress);
    } catch (const PastLastPage&) {
    }
}

void ReportGroupRenderer::Run(QPainter* p, Cursor at, int page, int last,
                              const std::function<void()>& newPage, itfProgress* progress) {
    const bool counting = !p;
    const QFont body = Font(9), bold = Font(9, true);
    const qreal line = m_line, width = m_area.width();
    const qreal bottom = m_area.height() - line * 1.5;
    const std::vector<ReportColumn> heading = SaleHeadingColumns();
    const auto headingCells = Cells(heading, 0, width);
    const qreal indent = width / 20;
    const auto detailCells = Cells(m_layout.Details, indent, width - indent);
    const auto full = [&](qreal at) { return QRectF(0, at, width, line); };
    const auto rule = [&](qreal at) {
        if (p) p->drawLine(QPointF(0, at), QPointF(width, at));
    };

    qreal y = 0;
    const int firstPage = page + 1;
    const auto startPage = [&] {
        if (page >= last) throw PastLastPage();
        if (counting) m_starts.push_back(at);
        if (p && page >= firstPage) newPage();
        ++page;
        y = 0;
        if (page == 1) {
            Text(p, QRectF(0, 0, width, TitleHeight - line / 2), m_layout.Title, Qt::AlignHCenter,
                 Font(14, true));
            y += TitleHeight;
        }
        if (!m_layout.Cards)
            Text(p, full(y), "AL: " + m_printed.toString("dd/MM/yyyy"), Qt::AlignLeft, bold);
        Text(p, full(y), PrintedText(), Qt::AlignRight, body);
        y += line;
        rule(y);
        y += line / 2;
        DrawFooter(p, page);
    };
    // Room for `lines` lines here, else on a new page (lines longer than a page flow on).
    const auto room = [&](int lines) {
        if (y + lines * line > bottom + 0.01) startPage();
    };
    const auto row = [&](const std::vector<QRectF>& cells, const std::vector<ReportColumn>& cols,
                         DbmsDataSource* source, qint64 position) {
        for (size_t i = 0; p && i < cells.size(); ++i) {
            const ReportColumn& c = cols[i];
            const bool right = c.Kind == ReportKind::Amount || c.Kind == ReportKind::Whole;
            Text(p, cells[i].translated(0, y),
                 source ? CellText(c.Kind, *source, position, c.Field) : c.Caption,
                 right ? Qt::AlignRight : Qt::AlignLeft, source ? body : bold);
        }
        y += line;
    };

    // The summaries' own data source counts each sale's rows in its row: counting pages then
    // needs no query a sale.
    const bool countedInRow =
        m_rows.IsSummary() &&
        m_rows.Detail().compare(m_layout.Collection, Qt::CaseInsensitive) == 0;
    // A sale from its heading (from < 0) or from a detail row that starts a page.
    const auto sale = [&](qint64 position, qint64 from) {
        std::shared_ptr<DbmsDataSource> lines;
        if (p || !countedInRow)
            lines = m_rows.GetReferenceOf(m_rows.OIDAt(position), m_layout.Collection);
        const qint64 count = lines ? lines->RowCount()
                             : countedInRow
                                 ? m_rows.ValueAt(position, "N_" + m_layout.Collection).toLongLong()
                                 : 0;
        if (from < 0) {
            at = {position, -1};
            room(count > 0 ? 4 : 2);
            row(headingCells, heading, nullptr, 0);
            row(headingCells, heading, &m_rows, position);
            if (count > 0) row(detailCells, m_layout.Details, nullptr, 0);
        }
        for (qint64 i = std::max<qint64>(from, 0); i < count; ++i) {
            at = {position, i};
            if (i != from) room(1);
            row(detailCells, m_layout.Details, lines.get(), i);
        }
        y += line / 2;
    };
    const auto card = [&](qint64 position) {
        at = {position, -1};
        const int height = 8; // seven lines and a rule
        room(height);
        if (!p) {
            y += height * line;
            return;
        }
        const auto value = [&](const QString& field) { return m_rows.TextAt(position, field); };
        const QVariant cap = m_rows.ValueAt(position, "CAP");
        const QString zip = cap.isNull() || !cap.isValid()
                                ? QString()
                                : QString("%1").arg(cap.toLongLong(), 5, 10, QChar('0'));
        const QString province = value("Provincia").trimmed();
        const QStringList lines = {
            Joined({value("Titolo"), value("Descrizione")}, " "),
            value("Indirizzo"),
            Joined({zip, value("Citta"), province.isEmpty() ? QString() : "(" + province + ")"},
                   " "),
            QString(),
            "Codice Carta: " + value("Codice"),
            "Punteggio Attuale: " + CellText(ReportKind::Whole, m_rows, position, "Punti"),
            m_agency,
        };
        for (const QString& s : lines) {
            Text(p, full(y), s, Qt::AlignLeft, s.startsWith("Codice Carta") ? bold : body);
            y += line;
        }
        rule(y + line / 4);
        y += line;
    };

    // A resumed run begins on a fresh page; the first run starts page 1 before anything.
    const Cursor from = at;
    startPage();
    for (qint64 position = from.Group; position < m_count; ++position) {
        if (m_layout.Cards)
            card(position);
        else
            sale(position, position == from.Group ? from.Detail : -1);
        if (counting)
            for (size_t t = 0; t < m_sums.size(); ++t)
                if (m_layout.Totals[t].Of == ReportTotal::What::Sum) {
                    const QVariant v = m_rows.ValueAt(position, m_layout.Totals[t].Field);
                    if (v.isValid() && !v.isNull()) m_sums[t] = m_sums[t] + ToMoney(v);
                }
        if (progress) DbmsCheckProgress(*progress, Operation(), position + 1);
    }
    // The closing lines after a blank line, unless a page starts with them.
    qint64 t = from.Group < m_count ? 0 : std::max<qint64>(from.Detail, 0);
    if (t == 0 && from.Group < m_count && !m_layout.Totals.empty()) y += line;
    for (; t < qint64(m_layout.Totals.size()); ++t) {
        at = {m_count, t};
        if (!(from.Group == m_count && t == from.Detail)) room(1);
        const ReportTotal& total = m_layout.Totals[t];
        const QString value = total.Of == ReportTotal::What::Count ? QString::number(m_count)
                                                                   : DbmsFormatMoney(m_sums[t]);
        Text(p, full(y), total.Caption + " " + value, Qt::AlignLeft, bold);
        y += line;
    }
}
