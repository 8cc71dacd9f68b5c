#pragma once
// A list layout: a caption row under the page header, one line per row of the data source,
// then the closing lines. Every line has the same height, so the page count and the rows of any
// page follow from the row count: the preview draws its page without reading the rows before.

#include "ReportDocument.h"

class ReportRenderer : public ReportDocument {
public:
    ReportRenderer(const ReportLayout& layout, DbmsDataSource& rows);

protected:
    int DoPaginate(itfProgress* progress) override;
    void DoDraw(QPainter& p, int first, int last, const std::function<void()>& newPage,
                itfProgress* progress) override;

private:
    // First line of `page`: lines are the rows, a blank line that holds the column sums, then
    // one line per captioned total.
    qint64 FirstLine(int page) const;
    qreal HeaderHeight(int page) const;
    void DrawHeader(QPainter& p, int page, const std::vector<QRectF>& cells) const;
    // The sums of the totals over every row.
    std::vector<Money> Sums(qint64 upTo) const;

    const ReportLayout& m_layout;
    int m_firstRows = 1; // lines on the first page, below the title
    int m_otherRows = 1;
};
