#pragma once
// Draws a list layout over a data source's rows onto a paged device. Rows are read one at a
// time by position, so memory does not grow with the report; the page count for
// "Pag. %p / %P" comes from a measuring pass before anything is drawn.

#include "ReportLayout.h"

#include <QDateTime>
#include <functional>

class DbmsDataSource;
class itfProgress;
class QPagedPaintDevice;

class ReportRenderer {
public:
    ReportRenderer(const ReportLayout& layout, DbmsDataSource& rows);

    // Pages the report takes on this device.
    int CountPages(QPagedPaintDevice& device);
    // Draws every page; reports each row to `progress`, which may stop the report (DbmsError
    // Stopped). Returns the number of pages.
    int Render(QPagedPaintDevice& device, itfProgress* progress = nullptr);
    // Writes the report as a PDF file; the file appears under its name only when complete.
    void ExportPdf(const QString& path, itfProgress* progress = nullptr);

    // Writes what `render` draws as an A4 PDF file, under its name only when complete.
    static void WritePdf(const QString& path, const QString& title,
                         const std::function<void(QPagedPaintDevice&)>& render);

    // "Pag. 1 / 3"
    static QString PageText(int page, int pages);
    static QString CellText(ReportKind kind, DbmsDataSource& rows, qint64 position,
                            const QString& field);

private:
    struct Geometry;
    Geometry Measure(QPagedPaintDevice& device) const;
    int Pages(const Geometry& g);
    qint64 TotalLines() const;

    const ReportLayout& m_layout;
    DbmsDataSource& m_rows;
    QDateTime m_printed;
};
