#pragma once
// What every report layout shares. Pages are laid out in points whatever the device, so the
// preview, the printer and the PDF file break pages at the same rows; any range of pages can be
// drawn, so the preview draws only the page on screen and the printer streams every page in
// turn. Rows are read one at a time by position: memory does not grow with the report.

#include "DbmsTypes.h"
#include "ReportLayout.h"

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QSizeF>
#include <climits>
#include <functional>

class DbmsDataSource;
class itfProgress;
class QPagedPaintDevice;
class QPainter;

class ReportDocument {
public:
    ReportDocument(QString title, DbmsDataSource& rows);
    virtual ~ReportDocument() = default;
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    const QString& Title() const { return m_title; }

    // Lays the report out on pages of `layout`; returns the page count. Reports to `progress`,
    // which may stop (DbmsError Stopped), when the layout has to read every row to count pages.
    int Paginate(const QPageLayout& layout, itfProgress* progress = nullptr);
    int PageCount() const { return m_pages; }
    const QPageLayout& PageLayout() const { return m_page; }

    // Draws pages `first` to `last` (from 1; after Paginate) with a painter whose unit is the
    // point and whose origin is the printable area's corner; `newPage` runs between two pages.
    // Reports each row to `progress`, which may stop (DbmsError Stopped).
    void Draw(QPainter& painter, int first, int last, const std::function<void()>& newPage,
              itfProgress* progress = nullptr);

    // Pages `first` to `last` (every page by default) on a printer or PDF writer, laid out
    // for its page. Returns the report's page count.
    int Render(QPagedPaintDevice& device, itfProgress* progress = nullptr, int first = 1,
               int last = INT_MAX);
    int CountPages(QPagedPaintDevice& device);
    // One whole sheet (margins included) at `dpi` dots per inch, for the preview.
    QImage PageImage(int page, qreal dpi);
    // Writes the report as a PDF file; the file appears under its name only when complete.
    void ExportPdf(const QString& path, itfProgress* progress = nullptr);

    // A4 portrait, the page the program's reports are laid out for unless a printer says else.
    static QPageLayout DefaultPageLayout();
    // "Pag. 1 / 3"
    static QString PageText(int page, int pages);
    static QString CellText(ReportKind kind, DbmsDataSource& rows, qint64 position,
                            const QString& field);

protected:
    // The layout's own passes: count pages for the printable area m_area (points) and the rows
    // m_count, and draw.
    virtual int DoPaginate(itfProgress* progress) = 0;
    virtual void DoDraw(QPainter& p, int first, int last, const std::function<void()>& newPage,
                        itfProgress* progress) = 0;

    // Fonts sized in points: with the painter working in points they print at that size on
    // every device, and their metrics, hence the elided texts, are the same everywhere.
    static QFont Font(int points, bool bold = false);
    // A text in its box, cut with "…" when longer; nothing without a painter (counting passes).
    static void Text(QPainter* p, const QRectF& box, const QString& text, Qt::Alignment align,
                     const QFont& font);
    // Cells of a row of columns by their shares of the width, one line high.
    std::vector<QRectF> Cells(const std::vector<ReportColumn>& columns, qreal left,
                              qreal width) const;
    // The page footer: print date and time, "Pag. n / N".
    void DrawFooter(QPainter* p, int page) const;
    QString PrintedText() const;
    QString Operation() const { return "Stampa " + m_title; }

    DbmsDataSource& m_rows;
    qint64 m_count = 0;      // rows of the data source, read by Paginate
    QSizeF m_area;           // printable area, points
    const qreal m_line = 12; // one line of 9-point text
    QDateTime m_printed;

private:
    QString m_title;
    QPageLayout m_page;
    int m_pages = 0;
};
