#pragma once
// The preview of a report: one page on screen, drawn when it is shown, so the first page of a
// report of thousands appears at once and memory holds one page whatever the report's length.

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;
class ReportDocument;

class frmReportPreview : public QDialog {
    Q_OBJECT
public:
    // `report` is already laid out; `print` prints it (the print dialog and the message window
    // are the caller's).
    frmReportPreview(ReportDocument& report, std::function<void()> print,
                     QWidget* parent = nullptr);

    int CurrentPage() const;
    void ShowPage(int page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Dots per inch the page is drawn at for the chosen zoom.
    qreal Dpi() const;
    void Redraw();

    ReportDocument& m_report;
    QSpinBox* m_page;
    QLabel* m_sheet;
    QScrollArea* m_scroll;
    QComboBox* m_zoom;
    int m_shownWidth = -1; // the viewport's width the page was last drawn for
};
