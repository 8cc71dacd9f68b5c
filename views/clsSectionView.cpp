#include "clsSectionView.h"

#include "clsArchiveSession.h"

clsSectionView::clsSectionView(clsArchiveSession& session, const QString& key)
    : m_session(session), m_section(clsSection::FromKey(key)),
      m_table(session.Database()->Item(m_section.Table)) {}

bool clsSectionView::UseSelection(const DbmsSelectionSet& set) {
    m_selection = set.Condition();
    if (m_selection.isEmpty()) return false;
    if (!m_section.DateField.isEmpty() && set.Involves(m_section.DateField))
        m_section.DateField.clear();
    return true;
}

void clsSectionView::SelectNothing() {
    m_selection = m_table->MakeCondition(m_table->KeyField(), "%");
}

bool clsSectionView::KeepOrderOf(const DbmsDataSource* shown, const QString& asked) {
    if (!shown || shown->Table()->Name() != m_table->Name()) return false;
    if (m_section.Order.isEmpty()) m_section.Order = asked;
    if (m_section.Order.isEmpty()) m_section.Order = shown->Order();
    if (m_section.Order.isEmpty()) m_section.Order = shown->BaseOrder();
    return true;
}

QString clsSectionView::Condition() const {
    if (m_section.DateField.isEmpty()) return m_selection;
    const QString dated =
        DateSelectionCondition(m_section.DateField, m_session.MonthSelection(),
                               m_session.DaySelection(), m_session.SelectedDate());
    return dated.isEmpty() ? m_selection : dated;
}

DbmsOpenOptions clsSectionView::Options(bool currencyConversion) const {
    DbmsOpenOptions options;
    options.Filter = Condition();
    options.Order = m_section.Order;
    options.Summary = m_section.Summary;
    options.Detail = m_section.Detail;
    options.CurrencyConversion = currencyConversion;
    return options;
}

std::shared_ptr<DbmsDataSource> clsSectionView::Open(bool currencyConversion) const {
    auto ds = m_table->OpenDataSource(m_session.Storage(), Options(currencyConversion));
    if (!m_section.FixedFilter.isEmpty()) ds->ApplyFilter(m_section.FixedFilter);
    return ds;
}
