#pragma once
// Draws a group layout: one group of lines per row of the data source (a sale's heading row and
// the rows of one of its collections, or a customer's card). Groups differ in height, so the
// page count for "Pag. %p / %P" comes from a first pass that only counts lines. Only one
// group's detail rows are open at a time, so memory does not grow with the report.

#include "ReportLayout.h"

#include <QDateTime>

class DbmsDataSource;
class itfProgress;
class QPagedPaintDevice;
class QPainter;

class ReportGroupRenderer {
public:
    // `agencyName` and `agencyWeb` close every customer card; both empty leave the line empty.
    ReportGroupRenderer(const ReportGroupLayout& layout, DbmsDataSource& rows,
                        const QString& agencyName = {}, const QString& agencyWeb = {});

    int CountPages(QPagedPaintDevice& device);
    // Draws every page; reports each group to `progress`, which may stop the report (DbmsError
    // Stopped). Returns the number of pages.
    int Render(QPagedPaintDevice& device, itfProgress* progress = nullptr);
    void ExportPdf(const QString& path, itfProgress* progress = nullptr);

    // The closing line of a card: "name - web", or whichever of the two is given.
    static QString AgencyLine(const QString& name, const QString& web);

private:
    // Lays out every page; draws only with a painter. Returns the number of pages.
    int Run(QPagedPaintDevice& device, QPainter* painter, int pages, itfProgress* progress);

    const ReportGroupLayout& m_layout;
    DbmsDataSource& m_rows;
    QString m_agency;
    QDateTime m_printed;
};
