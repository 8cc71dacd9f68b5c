#include "clsDateSelector.h"

#include "clsArchiveSession.h"
#include "clsSection.h"
#include "clsSettings.h"
#include "frmDateSetting.h"
#include "frmMain.h"
#include "modTag.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

void clsDateSelector::Refresh(const DbmsDataSource* ds) {
    w.Menu("mnuSelAll")->setChecked(!m_session.DaySelection() && !m_session.MonthSelection());
    w.Menu("mnuSelDate")->setChecked(m_session.DaySelection());
    w.Menu("mnuSelMonth")->setChecked(m_session.MonthSelection());
    const QString field = Tag(w.cmdDateSel).toString();
    QString fieldCaption;
    if (!field.isEmpty() && ds)
        if (const DbmsFieldInfo* info = ds->FieldInfo(field)) fieldCaption = info->Caption;
    const DateSelectionCaption c =
        MakeDateSelectionCaption(fieldCaption, m_session.MonthSelection(), m_session.DaySelection(),
                                 m_session.SelectedDate());
    w.cmdDateSel->setText(c.Caption);
    w.cmdDateSel->setToolTip(c.ToolTip);
    w.Menu("mnuSelection")->setText(c.MenuCaption);
}

bool clsDateSelector::SelectAll() {
    if (!m_session.DaySelection() && !m_session.MonthSelection()) return false;
    m_session.SetDateSelection(false, false);
    m_settings.Save();
    return true;
}

bool clsDateSelector::Choose(bool month) {
    frmDateSetting picker(&w);
    const QVariant date = picker.SetDate(m_session.SelectedDate(), -1, -1);
    if (!date.isValid()) return false;
    m_session.SetSelectedDate(date.toDate());
    m_session.SetDateSelection(!month, month);
    return true;
}

void clsDateSelector::Popup() {
    w.PopupMenu("mnuSelection")
        ->popup(w.cmdDateSel->mapToGlobal(QPoint(0, w.cmdDateSel->height())));
}
