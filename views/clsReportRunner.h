#pragma once
// The report layouts run for the main window: preview, print through the print dialog, or
// export to a PDF file, the rows reported to the message window, which can stop them.

#include "itfReportRunner.h"

class clsSettings;

class clsReportRunner : public itfReportRunner {
public:
    // The customer cards close with the agency's name and web address from `settings`.
    explicit clsReportRunner(const clsSettings& settings) : m_settings(settings) {}

    bool HasLayout(const QString& table, const QString& title) override;
    void Run(std::shared_ptr<DbmsDataSource> ds, int action, const QString& title, QWidget* owner,
             itfWorkWindow& work) override;

private:
    const clsSettings& m_settings;
};
