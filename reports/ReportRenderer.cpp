#include "ReportRenderer.h"

#include "DbmsDataSource.h"
#include "DbmsValues.h"

#include <algorithm>

#include <QPainter>

namespace {
bool RightAligned(ReportKind kind) {
    return kind == ReportKind::Amount || kind == ReportKind::Whole;
}
constexpr qreal TitleHeight = 28;
} // namespace

ReportRenderer::ReportRenderer(const ReportLayout& layout, DbmsDataSource& rows)
    : ReportDocument(layout.Title, rows), m_layout(layout) {}

qreal ReportRenderer::HeaderHeight(int page) const {
    // The date line, the captions and a rule; the title above them on the first page.
    return (page == 1 ? TitleHeight : 0) + m_line * 2 + 3;
}

int ReportRenderer::DoPaginate(itfProgress*) {
    const qreal body = m_area.height() - m_line * 1.5; // above the footer
    m_firstRows = std::max(1, int((body - HeaderHeight(1)) / m_line));
    m_otherRows = std::max(1, int((body - HeaderHeight(2)) / m_line));
    const qint64 captioned =
        std::count_if(m_layout.Totals.begin(), m_layout.Totals.end(),
                      [](const ReportTotal& t) { return !t.Caption.isEmpty(); });
    const qint64 lines = m_count + 1 + captioned;
    if (lines <= m_firstRows) return 1;
    return int(1 + (lines - m_firstRows + m_otherRows - 1) / m_otherRows);
}

qint64 ReportRenderer::FirstLine(int page) const {
    return page <= 1 ? 0 : m_firstRows + qint64(page - 2) * m_otherRows;
}

void ReportRenderer::DrawHeader(QPainter& p, int page, const std::vector<QRectF>& cells) const {
    qreal y = 0;
    if (page == 1) {
        Text(&p, QRectF(0, 0, m_area.width(), TitleHeight - m_line / 2), m_layout.Title,
             Qt::AlignHCenter, Font(14, true));
        y += TitleHeight;
    }
    Text(&p, QRectF(0, y, m_area.width(), m_line), PrintedText(), Qt::AlignRight, Font(9));
    y += m_line;
    const QFont bold = Font(9, true);
    for (size_t i = 0; i < cells.size(); ++i)
        Text(&p, cells[i].translated(0, y), m_layout.Columns[i].Caption,
             RightAligned(m_layout.Columns[i].Kind) ? Qt::AlignRight : Qt::AlignLeft, bold);
    y += m_line + 1;
    p.drawLine(QPointF(0, y), QPointF(m_area.width(), y));
    DrawFooter(&p, page);
}

std::vector<Money> ReportRenderer::Sums(qint64 upTo) const {
    std::vector<Money> sums(m_layout.Totals.size());
    for (size_t t = 0; t < sums.size(); ++t)
        if (m_layout.Totals[t].Of == ReportTotal::What::Sum)
            for (qint64 row = 0; row < upTo; ++row) {
                const QVariant v = m_rows.ValueAt(row, m_layout.Totals[t].Field);
                if (v.isValid() && !v.isNull()) sums[t] = sums[t] + ToMoney(v);
            }
    return sums;
}

void ReportRenderer::DoDraw(QPainter& p, int first, int last, const std::function<void()>& newPage,
                            itfProgress* progress) {
    const std::vector<QRectF> cells = Cells(m_layout.Columns, 0, m_area.width());
    const QFont body = Font(9), bold = Font(9, true);
    // Drawing from the first row sums as it goes; when the totals are drawn from a later
    // page on, the rows before it are summed first.
    const bool totals = FirstLine(last + 1) > m_count;
    std::vector<Money> sums = Sums(totals ? std::min(FirstLine(first), m_count) : 0);
    const qint64 captionedFrom = m_count + 1;

    for (int page = first; page <= last; ++page) {
        if (page > first) newPage();
        DrawHeader(p, page, cells);
        qreal y = HeaderHeight(page);
        const qint64 end = FirstLine(page + 1);
        for (qint64 line = FirstLine(page); line < end; ++line, y += m_line) {
            if (line < m_count) {
                for (size_t i = 0; i < cells.size(); ++i) {
                    const ReportColumn& c = m_layout.Columns[i];
                    Text(&p, cells[i].translated(0, y), CellText(c.Kind, m_rows, line, c.Field),
                         RightAligned(c.Kind) ? Qt::AlignRight : Qt::AlignLeft, body);
                }
                for (size_t t = 0; t < sums.size(); ++t)
                    if (m_layout.Totals[t].Of == ReportTotal::What::Sum) {
                        const QVariant v = m_rows.ValueAt(line, m_layout.Totals[t].Field);
                        if (v.isValid() && !v.isNull()) sums[t] = sums[t] + ToMoney(v);
                    }
                if (progress) DbmsCheckProgress(*progress, Operation(), line + 1);
                continue;
            }
            // The blank line after the rows holds the uncaptioned sums under their columns;
            // the captioned totals follow, one a line.
            qint64 captioned = captionedFrom;
            for (size_t t = 0; t < m_layout.Totals.size(); ++t) {
                const ReportTotal& total = m_layout.Totals[t];
                const QString value = total.Of == ReportTotal::What::Count
                                          ? QString::number(m_count)
                                          : DbmsFormatMoney(sums[t]);
                if (total.Caption.isEmpty()) {
                    if (line != m_count) continue;
                    for (size_t i = 0; i < cells.size(); ++i)
                        if (m_layout.Columns[i].Field == total.Field)
                            Text(&p, cells[i].translated(0, y), value, Qt::AlignRight, bold);
                } else if (captioned++ == line) {
                    Text(&p, QRectF(0, y, m_area.width(), m_line), total.Caption + " " + value,
                         Qt::AlignLeft, bold);
                }
            }
            if (line >= captioned) break;
        }
    }
}
