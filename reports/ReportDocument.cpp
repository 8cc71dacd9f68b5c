#include "ReportDocument.h"

#include "DbmsClock.h"
#include "DbmsDataSource.h"
#include "DbmsValues.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>

ReportDocument::ReportDocument(QString title, DbmsDataSource& rows)
    : m_rows(rows), m_printed(DbmsClock::Now()), m_title(std::move(title)),
      m_page(DefaultPageLayout()) {}

QPageLayout ReportDocument::DefaultPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 15, 12),
                       QPageLayout::Millimeter);
}

QString ReportDocument::PageText(int page, int pages) {
    return QString("Pag. %1 / %2").arg(page).arg(pages);
}

QString ReportDocument::CellText(ReportKind kind, DbmsDataSource& rows, qint64 position,
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

int ReportDocument::Paginate(const QPageLayout& layout, itfProgress* progress) {
    m_page = layout;
    m_area = layout.paintRect(QPageLayout::Point).size();
    m_count = m_rows.RowCount();
    m_pages = std::max(1, DoPaginate(progress));
    return m_pages;
}

void ReportDocument::Draw(QPainter& painter, int first, int last,
                          const std::function<void()>& newPage, itfProgress* progress) {
    first = std::clamp(first, 1, m_pages);
    last = std::clamp(last, first, m_pages);
    if (progress) progress->OnStart(Operation(), m_count);
    DoDraw(painter, first, last, newPage, progress);
    if (progress) progress->OnEnd(Operation());
}

int ReportDocument::CountPages(QPagedPaintDevice& device) {
    return Paginate(device.pageLayout());
}

int ReportDocument::Render(QPagedPaintDevice& device, itfProgress* progress, int first, int last) {
    Paginate(device.pageLayout(), progress);
    QPainter p;
    if (!p.begin(&device))
        throw DbmsError(DbmsError::FileOpen,
                        QString("Impossibile iniziare la stampa di \"%1\"").arg(m_title));
    p.scale(device.logicalDpiX() / 72.0, device.logicalDpiY() / 72.0);
    try {
        Draw(
            p, first, last, [&device] { device.newPage(); }, progress);
    } catch (...) {
        p.end();
        throw;
    }
    p.end();
    return m_pages;
}

QImage ReportDocument::PageImage(int page, qreal dpi) {
    const QRectF sheet = m_page.fullRect(QPageLayout::Point);
    const QRectF area = m_page.paintRect(QPageLayout::Point);
    QImage image((sheet.size() * dpi / 72).toSize(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(dpi / 72, dpi / 72);
    p.translate(area.topLeft());
    Draw(p, page, page, [] {});
    return image;
}

void ReportDocument::ExportPdf(const QString& path, itfProgress* progress) {
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
        pdf.setTitle(m_title);
        pdf.setCreator("Tessarin");
        pdf.setResolution(300);
        pdf.setPageLayout(m_page);
        Render(pdf, progress);
    }
    if (!file.commit()) throw failed(file.errorString());
}

QFont ReportDocument::Font(int points, bool bold) {
    QFont f("Helvetica");
    f.setPixelSize(points); // one pixel is one point: the painter is scaled to points
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

namespace {
// The width of a text in a report font. Measuring a whole text shapes it, as drawing it does
// again: a report measures every cell, so Latin-1 characters' advances are kept per font and
// summed (kerning aside, which report fonts hardly use). Reports run on the GUI thread only.
qreal Width(const QFont& font, const QFontMetricsF& fm, const QString& text) {
    struct Advances {
        QFont Font;
        std::array<qreal, 256> Of;
    };
    static std::vector<Advances> known;
    auto it =
        std::find_if(known.begin(), known.end(), [&](const Advances& a) { return a.Font == font; });
    if (it == known.end()) {
        known.push_back({font, {}});
        it = known.end() - 1;
        it->Of.fill(-1);
    }
    qreal width = 0;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) return fm.horizontalAdvance(text);
        qreal& advance = it->Of[c.unicode()];
        if (advance < 0) advance = fm.horizontalAdvance(c);
        width += advance;
    }
    return width;
}
} // namespace

void ReportDocument::Text(QPainter* p, const QRectF& box, const QString& text, Qt::Alignment align,
                          const QFont& font) {
    if (!p || text.isEmpty()) return;
    // Placed by hand on its baseline: the boxed drawText lays every text out as a paragraph,
    // which costs more than the rest of a report's line.
    const QFontMetricsF fm(font);
    QString shown = text;
    qreal width = Width(font, fm, text);
    if (width > box.width()) {
        shown = fm.elidedText(text, Qt::ElideRight, box.width());
        width = fm.horizontalAdvance(shown);
    }
    const qreal x = align & Qt::AlignRight     ? box.right() - width
                    : align & Qt::AlignHCenter ? box.center().x() - width / 2
                                               : box.left();
    if (p->font() != font) p->setFont(font);
    p->drawText(QPointF(x, box.center().y() + (fm.ascent() - fm.descent()) / 2), shown);
}

std::vector<QRectF> ReportDocument::Cells(const std::vector<ReportColumn>& columns, qreal left,
                                          qreal width) const {
    int shares = 0;
    for (const auto& c : columns)
        shares += c.Width;
    std::vector<QRectF> cells;
    const qreal gap = width / 200;
    for (const auto& c : columns) {
        const qreal w = width * c.Width / std::max(1, shares);
        cells.emplace_back(left + gap, 0, w - 2 * gap, m_line);
        left += w;
    }
    return cells;
}

QString ReportDocument::PrintedText() const {
    return "Stampato il " + m_printed.toString("dd/MM/yyyy HH:mm");
}

void ReportDocument::DrawFooter(QPainter* p, int page) const {
    const QRectF foot(0, m_area.height() - m_line, m_area.width(), m_line);
    Text(p, foot, PrintedText(), Qt::AlignLeft, Font(9));
    Text(p, foot, PageText(page, m_pages), Qt::AlignRight, Font(9));
}
