#pragma once
// What the main window asks of the report layouts: whether one fits a table and title, and
// running it. The layouts live in their own library; without a runner no data has a layout.

#include <QString>
#include <memory>

class DbmsDataSource;
class QWidget;
class itfWorkWindow;

class itfReportRunner {
public:
    virtual ~itfReportRunner() = default;
    // Whether a layout is made for the rows of `table` under `title` (compared exactly).
    virtual bool HasLayout(const QString& table, const QString& title) = 0;
    // Runs the layout: 0 prints through the print dialog, 1 previews, 2 exports; long work is
    // reported to `work`, which may stop it.
    virtual void Run(std::shared_ptr<DbmsDataSource> ds, int action, const QString& title,
                     QWidget* owner, itfWorkWindow& work) = 0;
};
