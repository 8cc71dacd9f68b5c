#include "ReportGroupRenderer.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsValues.h"
#include "ReportRenderer.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {
QFont Font(int points, bool bold = false) {
    QFont f("Helvetica");
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

// Cells of a row of columns by their shares of the width.
std::vector<QRectF> Cells(const std::vector<ReportColumn>& columns, qreal left, qreal width,
                          qreal height) {
    int shares = 0;
    for (const auto& c : columns)
        shares += c.Width;
    std::vector<QRectF> cells;
    const qreal gap = width / 200;
    for (const auto& c : columns) {
        const qreal w = width * c.Width / std::max(1, shares);
        cells.emplace_back(left + gap, 0, w - 2 * gap, height);
        left += w;
    }
    return cells;
}

QString Joined(const QStringList& parts, const QString& separator) {
    QStringList given;
    for (const QString& s : parts)
        if (!s.trimmed().isEmpty()) given << s.trimmed();
    return given.join(separator);
}
} // namespace

ReportGroupRenderer::ReportGroupRenderer(const ReportGroupLayout& layout, DbmsDataSource& rows,
                                         const QString& agencyName, const QString& agencyWeb)
    : m_layout(layout), m_rows(rows), m_agency(AgencyLine(agencyName, agencyWeb)),
      m_printed(DbmsClock::Now()) {}

QString ReportGroupRenderer::AgencyLine(const QString& name, const QString& web) {
    return Joined({name, web}, " - ");
}

int ReportGroupRenderer::CountPages(QPagedPaintDevice& device) {
    return Run(device, nullptr, 0, nullptr);
}

int ReportGroupRenderer::Render(QPagedPaintDevice& device, itfProgress* progress) {
    const int pages = Run(device, nullptr, 0, nullptr);
    QPainter p;
    if (!p.begin(&device))
        throw DbmsError(DbmsError::FileOpen,
                        QString("Impossibile iniziare la stampa di \"%1\"").arg(m_layout.Title));
    const QString operation = "Stampa " + m_layout.Title;
    if (progress) progress->OnStart(operation, m_rows.RowCount());
    try {
        Run(device, &p, pages, progress);
    } catch (...) {
        p.end();
        throw;
    }
    p.end();
    if (progress) progress->OnEnd(operation);
    return pages;
}

void ReportGroupRenderer::ExportPdf(const QString& path, itfProgress* progress) {
    ReportRenderer::WritePdf(path, m_layout.Title,
                             [&](QPagedPaintDevice& device) { Render(device, progress); });
}

int ReportGroupRenderer::Run(QPagedPaintDevice& device, QPainter* p, int pages,
                             itfProgress* progress) {
    const QRectF area(0, 0, device.width(), device.height());
    const auto height = [&](const QFont& f) { return QFontMetricsF(f, &device).height() * 1.25; };
    const QFont body = Font(9), bold = Font(9, true), big = Font(14, true);
    const qreal line = height(body), titleHeight = height(big) + line / 2;
    const qreal bottom = area.bottom() - line * 1.5;
    const QString printed = "Stampato il " + m_printed.toString("dd/MM/yyyy HH:mm");
    const QString operation = "Stampa " + m_layout.Title;
    const std::vector<ReportColumn> heading = SaleHeadingColumns();
    const auto headingCells = Cells(heading, area.left(), area.width(), line);
    const qreal indent = area.width() / 20;
    const auto detailCells =
        Cells(m_layout.Details, area.left() + indent, area.width() - indent, line);

    const auto text = [&](const QRectF& r, const QString& s, Qt::Alignment a, const QFont& f) {
        if (!p) return;
        p->setFont(f);
        const QFontMetricsF fm(f, &device);
        p->drawText(r, a | Qt::AlignVCenter, fm.elidedText(s, Qt::ElideRight, r.width()));
    };
    const auto full = [&](qreal at) { return QRectF(area.left(), at, area.width(), line); };
    const auto rule = [&](qreal at) {
        if (p) p->drawLine(QPointF(area.left(), at), QPointF(area.right(), at));
    };

    qreal y = 0;
    int page = 0;
    const auto startPage = [&] {
        if (page > 0 && p) device.newPage();
        ++page;
        y = area.top();
        if (page == 1) {
            text(QRectF(area.left(), y, area.width(), titleHeight - line / 2), m_layout.Title,
                 Qt::AlignHCenter, big);
            y += titleHeight;
        }
        if (!m_layout.Cards)
            text(full(y), "AL: " + m_printed.toString("dd/MM/yyyy"), Qt::AlignLeft, bold);
        text(full(y), printed, Qt::AlignRight, body);
        y += line;
        rule(y);
        y += line / 2;
        text(full(area.bottom() - line), printed, Qt::AlignLeft, body);
        text(full(area.bottom() - line), ReportRenderer::PageText(page, pages), Qt::AlignRight,
             body);
    };
    // Room for `lines` lines here, else on a new page (lines longer than a page flow on).
    const auto room = [&](int lines) {
        if (page == 0 || y + lines * line > bottom + 0.01) startPage();
    };
    const auto row = [&](const std::vector<QRectF>& cells, const std::vector<ReportColumn>& cols,
                         DbmsDataSource* source, qint64 position) {
        for (size_t i = 0; i < cells.size(); ++i) {
            const ReportColumn& c = cols[i];
            const bool right = c.Kind == ReportKind::Amount || c.Kind == ReportKind::Whole;
            text(cells[i].translated(0, y),
                 source ? ReportRenderer::CellText(c.Kind, *source, position, c.Field) : c.Caption,
                 right ? Qt::AlignRight : Qt::AlignLeft, source ? body : bold);
        }
        y += line;
    };

    const auto sale = [&](qint64 position) {
        std::shared_ptr<DbmsDataSource> lines =
            m_rows.GetReferenceOf(m_rows.OIDAt(position), m_layout.Collection);
        const qint64 count = lines ? lines->RowCount() : 0;
        room(count > 0 ? 4 : 2);
        row(headingCells, heading, nullptr, 0);
        row(headingCells, heading, &m_rows, position);
        if (count > 0) row(detailCells, m_layout.Details, nullptr, 0);
        for (qint64 i = 0; i < count; ++i) {
            room(1);
            row(detailCells, m_layout.Details, lines.get(), i);
        }
        y += line / 2;
    };
    const auto card = [&](qint64 position) {
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
            "Punteggio Attuale: " +
                ReportRenderer::CellText(ReportKind::Whole, m_rows, position, "Punti"),
            m_agency,
        };
        room(int(lines.size()) + 1);
        for (const QString& s : lines) {
            text(full(y), s, Qt::AlignLeft, s.startsWith("Codice Carta") ? bold : body);
            y += line;
        }
        rule(y + line / 4);
        y += line;
    };

    const qint64 count = m_rows.RowCount();
    std::vector<Money> sums(m_layout.Totals.size());
    room(1);
    for (qint64 position = 0; position < count; ++position) {
        if (m_layout.Cards)
            card(position);
        else
            sale(position);
        for (size_t t = 0; t < sums.size(); ++t)
            if (m_layout.Totals[t].Of == ReportTotal::What::Sum) {
                const QVariant v = m_rows.ValueAt(position, m_layout.Totals[t].Field);
                if (v.isValid() && !v.isNull()) sums[t] = sums[t] + ToMoney(v);
            }
        if (p && progress) DbmsCheckProgress(*progress, operation, position + 1);
    }
    if (!m_layout.Totals.empty()) y += line;
    for (size_t t = 0; t < m_layout.Totals.size(); ++t) {
        room(1);
        const ReportTotal& total = m_layout.Totals[t];
        const QString value = total.Of == ReportTotal::What::Count ? QString::number(count)
                                                                   : DbmsFormatMoney(sums[t]);
        text(full(y), total.Caption + " " + value, Qt::AlignLeft, bold);
        y += line;
    }
    return page;
}
