#pragma once
// A group layout: one group of lines per row of the data source (a sale's heading row and the
// rows of one of its collections, or a customer's card). Groups differ in height, so a first
// pass counts lines and keeps where each page starts (a few bytes a page): the page count for
// "Pag. %p / %P" comes from it, and the preview draws any page from there. Only one group's
// detail rows are open at a time, so memory does not grow with the report.

#include "ReportDocument.h"

class ReportGroupRenderer : public ReportDocument {
public:
    // `agencyName` and `agencyWeb` close every customer card; both empty leave the line empty.
    ReportGroupRenderer(const ReportGroupLayout& layout, DbmsDataSource& rows,
                        const QString& agencyName = {}, const QString& agencyWeb = {});

    // The closing line of a card: "name - web", or whichever of the two is given.
    static QString AgencyLine(const QString& name, const QString& web);

protected:
    int DoPaginate(itfProgress* progress) override;
    void DoDraw(QPainter& p, int first, int last, const std::function<void()>& newPage,
                itfProgress* progress) override;

private:
    // Where a page starts: the group, and the detail row within it (-1: the group's heading).
    // Past the last group, `Detail` is the closing line.
    struct Cursor {
        qint64 Group = 0;
        qint64 Detail = -1;
    };
    // Lays out pages from `from` on page `page`; draws only with a painter, and stops after
    // page `last`. Without a painter it records where pages start and sums the totals.
    void Run(QPainter* p, Cursor from, int page, int last, const std::function<void()>& newPage,
             itfProgress* progress);

    const ReportGroupLayout& m_layout;
    QString m_agency;
    std::vector<Cursor> m_starts; // one a page
    std::vector<Money> m_sums;
};
