// The main window's panes: the tree on the left, the splitter, the title, grid and section
// buttons on the right, all in twips as the stored placement is.
#include "frmMain.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {

constexpr int Twips = frmMain::TwipsPerPixel;
constexpr int MinHeight = 3000;     // the window never gets lower than this
constexpr int MinTreeWidth = 1500;  // nor the tree narrower than this
constexpr int SplitterMargin = 500; // the splitter stays this far from either edge
constexpr int SplitterWidth = 60;
constexpr int MinGridWidth = 3000; // beside the narrowest tree
constexpr int ButtonGap = 150;

int Px(int twips) {
    return twips / Twips;
}

} // namespace

void frmMain::ResizeMainLayout(int splitTwips) {
    const QSize least(Px(MinTreeWidth + SplitterWidth + MinGridWidth), Px(MinHeight));
    if (minimumWidth() < least.width() || minimumHeight() < least.height())
        setMinimumSize(minimumSize().expandedTo(least));
    if (splitTwips < 0) splitTwips = m_intDefaultSplit;
    m_blnTreeVisible = splitTwips != 0;
    if (m_blnTreeVisible) m_intSplit = std::max(splitTwips, MinTreeWidth);
    if (QAction* menu = Menu("mnuHideSection")) menu->setChecked(m_blnTreeVisible);
    // The Webdings arrows of old: left to hide the tree, right to show it again.
    cmdHideTree->setText(m_blnTreeVisible ? QStringLiteral("\u25C0") : QStringLiteral("\u25B6"));

    const QRect client = m_client->rect();
    const int titleHeight = lblTitle[0]->sizeHint().height() + 4;
    const int treeWidth = m_blnTreeVisible ? Px(m_intSplit) : 0;
    const int splitterWidth = m_blnTreeVisible ? Px(SplitterWidth) : 0;

    tvTreeView->setVisible(m_blnTreeVisible);
    lblTitle[0]->setVisible(m_blnTreeVisible);
    imgSplitter->setVisible(m_blnTreeVisible);
    if (m_blnTreeVisible) {
        lblTitle[0]->setGeometry(0, 0, treeWidth, titleHeight);
        tvTreeView->setGeometry(0, titleHeight, treeWidth, client.height() - titleHeight);
        imgSplitter->setGeometry(treeWidth, 0, splitterWidth, client.height());
    }

    const int left = treeWidth + splitterWidth;
    const int width = std::max(client.width() - left, 0);
    const int buttonSize = titleHeight;
    cmdHideTree->setGeometry(left, 0, buttonSize, titleHeight);
    int titleLeft = left + buttonSize;
    int titleRight = left + width;
    if (cmdGridSetting->isVisibleTo(this)) {
        titleRight -= buttonSize;
        cmdGridSetting->setGeometry(titleRight, 0, buttonSize, titleHeight);
    }
    if (cmdDateSel->isVisibleTo(this)) {
        const int dateWidth = std::min(cmdDateSel->sizeHint().width() + 12, width / 2);
        titleRight -= dateWidth;
        cmdDateSel->setGeometry(titleRight, 0, dateWidth, titleHeight);
    }
    lblTitle[1]->setGeometry(titleLeft, 0, std::max(titleRight - titleLeft, 0), titleHeight);
    // A section with child sections shows their buttons above its grid, when it has one.
    QRect data(left, titleHeight, width, std::max(client.height() - titleHeight, 0));
    const int buttonsBottom = PlaceSectionItems(data);
    if (buttonsBottom > data.top()) data.setTop(buttonsBottom + Px(ButtonGap));
    dgView->setGeometry(data);
    dgReportView->setGeometry(data);
}

int frmMain::PlaceSectionItems(const QRect& area) {
    // Left to right in rows, with a gap around each button.
    const int gap = Px(ButtonGap);
    int x = area.left() + gap;
    int y = area.top() + gap;
    int rowHeight = 0;
    for (size_t i = 0; i < acmdSectionItem.size(); ++i) {
        QPushButton* button = acmdSectionItem[i];
        const QSize size = button->sizeHint().expandedTo(QSize(Px(2400), Px(600)));
        // The header takes a row of its own.
        if (i == 1 || (x > area.left() + gap && x + size.width() > area.right() - gap)) {
            x = area.left() + gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        button->setGeometry(QRect(QPoint(x, y), size));
        x += size.width() + gap;
        rowHeight = std::max(rowHeight, size.height());
    }
    return acmdSectionItem.empty() ? area.top() : y + rowHeight;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgSplitter) {
        SplitterMouse(event);
        return false;
    }
    // A press on the tree comes before the node change it causes (see tvTreeView_Click).
    if (event->type() == QEvent::MouseButtonPress && watched == tvTreeView->viewport())
        m_intNodeChangesAtPress = m_intNodeChanges;
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Only keys meant for this window, before its controls see them.
        if (widget && widget->window() == this && widget != this &&
            HandleKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::SplitterMouse(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        picSplitter->setGeometry(imgSplitter->x(), imgSplitter->y(),
                                 std::max(imgSplitter->width() / 2, 1),
                                 std::max(imgSplitter->height() - Px(20), 1));
        picSplitter->show();
        picSplitter->raise();
        m_blnMoving = true;
        break;
    case QEvent::MouseMove:
        if (m_blnMoving) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int windowWidth = m_client->width() * Twips;
            int position = (imgSplitter->x() + qRound(mouse->position().x())) * Twips;
            position = std::clamp(position, SplitterMargin,
                                  std::max(windowWidth - SplitterMargin, SplitterMargin));
            picSplitter->move(Px(position), picSplitter->y());
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_blnMoving) {
            ResizeMainLayout(picSplitter->x() * Twips);
            picSplitter->hide();
            m_blnMoving = false;
        }
        break;
    default:
        break;
    }
}
