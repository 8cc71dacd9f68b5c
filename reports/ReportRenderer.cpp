#include "ReportRenderer.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsValues.h"

#include <algorithm>

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {
QFont Font(int points, bool bold = false) {
    QFont f("Helvetica");
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

bool RightAligned(ReportKind kind) {
    return kind == ReportKind::Amount || kind == ReportKind::Whole;
}
} // namespace

// Every band has a fixed height, so the page count follows from the row count.
struct ReportRenderer::Geometry {
    QRectF Page;       // printable area, in device pixels
    qreal Line = 0;    // one detail or caption line
    qreal Title = 0;   // the report header
    qreal Header = 0;  // page header: date and captions
    qreal Footer = 0;  // page footer
    int FirstRows = 0; // detail rows on the first page (below the title)
    int OtherRows = 0;
};

ReportRenderer::ReportRenderer(const ReportLayout& layout, DbmsDataSource& rows)
    : m_layout(layout), m_rows(rows), m_printed(DbmsClock::Now()) {}

QString ReportRenderer::PageText(int page, int pages) {
    return QString("Pag. %1 / %2").arg(page).arg(pages);
}

QString ReportRenderer::CellText(ReportKind kind, DbmsDataSource& rows, qint64 position,
                                 const QString& field) {
    if (kind == ReportKind::Text) return rows.TextAt(position, field);
    const QVariant v = rows.ValueAt(position, field);
    if (!v.isValid() || v.isNull()) return QString();
    switch (kind) {
    case ReportKind::Amount:
        return DbmsFormatMoney(ToMoney(v));
    case ReportKind::Whole:
        return QString::number(v.toLongLong());
    case ReportKind::Date:
        return v.toDateTime().date().toString("dd/MM/yyyy");
    default:
        return v.toString();
    }
}

ReportRenderer::Geometry ReportRenderer::Measure(QPagedPaintDevice& device) const {
    Geometry g;
    const qreal dpi = device.logicalDpiY();
    g.Page = QRectF(0, 0, device.width(), device.height());
    const auto height = [&](const QFont& f) { return QFontMetricsF(f, &device).height() * 1.25; };
    g.Line = height(Font(9));
    g.Title = height(Font(14, true)) + g.Line / 2;
    g.Header = g.Line * 2 + dpi / 25; // date line, captions and a rule
    g.Footer = g.Line * 1.5;
    const qreal body = g.Page.height() - g.Header - g.Footer;
    g.OtherRows = std::max(1, int(body / g.Line));
    g.FirstRows = std::max(1, int((body - g.Title) / g.Line));
    return g;
}

int ReportRenderer::Pages(const Geometry& g) {
    // The totals need a blank line and one line each after the last row.
    const qint64 lines = m_rows.RowCount() + 1 + TotalLines();
    if (lines <= g.FirstRows) return 1;
    return int(1 + (lines - g.FirstRows + g.OtherRows - 1) / g.OtherRows);
}

qint64 ReportRenderer::TotalLines() const {
    return std::count_if(m_layout.Totals.begin(), m_layout.Totals.end(),
                         [](const ReportTotal& t) { return !t.Caption.isEmpty(); });
}

int ReportRenderer::CountPages(QPagedPaintDevice& device) {
    return Pages(Measure(device));
}

int ReportRenderer::Render(QPagedPaintDevice& device, itfProgress* progress) {
    const Geometry g = Measure(device);
    const int pages = Pages(g);
    const qint64 count = m_rows.RowCount();
    const QString operation = "Stampa " + m_layout.Title;
    if (progress) progress->OnStart(operation, count);

    // Column edges by their shares of the page width.
    int shares = 0;
    for (const auto& c : m_layout.Columns)
        shares += c.Width;
    std::vector<QRectF> cells;
    const qreal gap = g.Page.width() / 200;
    qreal x = g.Page.left();
    for (const auto& c : m_layout.Columns) {
        const qreal w = g.Page.width() * c.Width / std::max(1, shares);
        cells.emplace_back(x + gap, 0, w - 2 * gap, g.Line);
        x += w;
    }

    QPainter p;
    if (!p.begin(&device))
        throw DbmsError(DbmsError::FileOpen,
                        QString("Impossibile iniziare la stampa di \"%1\"").arg(m_layout.Title));
    const QFont body = Font(9), bold = Font(9, true);
    const QString printed = "Stampato il " + m_printed.toString("dd/MM/yyyy HH:mm");
    const auto text = [&](const QRectF& r, const QString& s, Qt::Alignment a) {
        const QFontMetricsF fm(p.font(), &device);
        p.drawText(r, a | Qt::AlignVCenter, fm.elidedText(s, Qt::ElideRight, r.width()));
    };

    qreal y = 0;
    int page = 0;
    const auto startPage = [&] {
        if (page > 0) device.newPage();
        ++page;
        y = g.Page.top();
        if (page == 1) {
            p.setFont(Font(14, true));
            text(QRectF(g.Page.left(), y, g.Page.width(), g.Title), m_layout.Title,
                 Qt::AlignHCenter);
            y += g.Title;
        }
        p.setFont(body);
        text(QRectF(g.Page.left(), y, g.Page.width(), g.Line), printed, Qt::AlignRight);
        y += g.Line;
        p.setFont(bold);
        for (size_t i = 0; i < cells.size(); ++i)
            text(cells[i].translated(0, y), m_layout.Columns[i].Caption,
                 RightAligned(m_layout.Columns[i].Kind) ? Qt::AlignRight : Qt::AlignLeft);
        y += g.Line;
        p.drawLine(QPointF(g.Page.left(), y), QPointF(g.Page.right(), y));
        y += g.Header - 2 * g.Line;
        p.setFont(body);
        // Page footer, drawn now: its text is known from the measuring pass.
        const QRectF foot(g.Page.left(), g.Page.bottom() - g.Line, g.Page.width(), g.Line);
        text(foot, printed, Qt::AlignLeft);
        text(foot, PageText(page, pages), Qt::AlignRight);
    };
    const qreal bottom = g.Page.bottom() - g.Footer;
    const auto newLine = [&] {
        if (page == 0 || y + g.Line > bottom + 0.01) startPage();
    };

    std::vector<Money> sums(m_layout.Totals.size());
    try {
        newLine();
        for (qint64 row = 0; row < count; ++row) {
            newLine();
            for (size_t i = 0; i < cells.size(); ++i) {
                const ReportColumn& c = m_layout.Columns[i];
                text(cells[i].translated(0, y), CellText(c.Kind, m_rows, row, c.Field),
                     RightAligned(c.Kind) ? Qt::AlignRight : Qt::AlignLeft);
            }
            for (size_t t = 0; t < sums.size(); ++t)
                if (m_layout.Totals[t].Of == ReportTotal::What::Sum) {
                    const QVariant v = m_rows.ValueAt(row, m_layout.Totals[t].Field);
                    if (v.isValid() && !v.isNull()) sums[t] = sums[t] + ToMoney(v);
                }
            y += g.Line;
            if (progress) DbmsCheckProgress(*progress, operation, row + 1);
        }
        newLine();
        y += g.Line; // a blank line before the totals
        p.setFont(bold);
        for (size_t t = 0; t < m_layout.Totals.size(); ++t) {
            const ReportTotal& total = m_layout.Totals[t];
            const QString value = total.Of == ReportTotal::What::Count ? QString::number(count)
                                                                       : DbmsFormatMoney(sums[t]);
            if (total.Caption.isEmpty()) {
                for (size_t i = 0; i < cells.size(); ++i)
                    if (m_layout.Columns[i].Field == total.Field)
                        text(cells[i].translated(0, y - g.Line), value, Qt::AlignRight);
                continue;
            }
            newLine();
            text(QRectF(g.Page.left(), y, g.Page.width(), g.Line), total.Caption + " " + value,
                 Qt::AlignLeft);
            y += g.Line;
        }
    } catch (...) {
        p.end();
        throw;
    }
    p.end();
    if (progress) progress->OnEnd(operation);
    return page;
}

void ReportRenderer::ExportPdf(const QString& path, itfProgress* progress) {
    WritePdf(path, m_layout.Title, [&](QPagedPaintDevice& device) { Render(device, progress); });
}

void ReportRenderer::WritePdf(const QString& path, const QString& title,
                              const std::function<void(QPagedPaintDevice&)>& render) {
    const auto failed = [&](const QString& why) {
        return DbmsError(DbmsError::FileOpen, QString("Impossibile scrivere il file \"%1\": %2")
                                                  .arg(QFileInfo(path).absoluteFilePath(), why));
    };
    // QSaveFile writes beside the target and renames only on commit: a failed or stopped
    // report leaves nothing under the final name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw failed(file.errorString());
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator("Tessarin");
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
        render(pdf);
    }
    if (!file.commit()) throw failed(file.errorString());
}
