#include "clsMainLayout.h"

#include "DbmsClock.h"
#include "clsSettings.h"
#include "frmMain.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
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

double ReadTwips(const clsSettings& settings, const QString& key, double fallback) {
    bool ok = false;
    const double value = settings.ReadSetting("Settings", key).toDouble(&ok);
    return ok ? value : fallback;
}

void WriteTwips(clsSettings& settings, const QString& key, double value) {
    settings.WriteSetting("Settings", key, QString::number(value));
}

template <typename T> T* Control(QWidget* parent, const char* name) {
    auto* control = new T(parent);
    control->setObjectName(name);
    return control;
}

} // namespace

void clsMainLayout::Build() {
    auto* client = Control<QWidget>(&w, "Client");
    w.setCentralWidget(client);

    w.lblTitle[0] = new QLabel("Sezioni", client);
    w.lblTitle[1] = new QLabel("Dati", client);
    for (int i = 0; i < 2; ++i) {
        w.lblTitle[i]->setObjectName(QString("lblTitle%1").arg(i));
        w.lblTitle[i]->setFrameShape(QFrame::Panel);
        w.lblTitle[i]->setFrameShadow(QFrame::Raised);
        w.lblTitle[i]->setIndent(4);
    }
    w.cmdHideTree = Control<QPushButton>(client, "cmdHideTree");
    w.cmdHideTree->setFlat(true);
    QObject::connect(w.cmdHideTree, &QPushButton::clicked, &w, &frmMain::mnuHideSection_Click);

    w.tvTreeView = Control<QTreeWidget>(client, "tvTreeView");
    w.tvTreeView->setHeaderHidden(true);
    w.tvTreeView->setColumnCount(1);

    w.cmdDateSel = Control<QPushButton>(client, "cmdDateSel");
    w.cmdDateSel->setToolTip("Imposta il periodo di selezione dei dati");
    w.cmdDateSel->hide(); // shown by the views of dated sections
    w.cmdGridSetting = Control<QToolButton>(client, "cmdGridSetting");
    w.cmdGridSetting->setText("...");
    w.cmdGridSetting->setPopupMode(QToolButton::InstantPopup);
    w.cmdGridSetting->setMenu(w.PopupMenu("mnuGridSetting"));
    w.cmdGridSetting->hide();

    w.dgView = Control<QTableView>(client, "dgView");
    w.dgView->setSelectionBehavior(QAbstractItemView::SelectRows);
    w.dgView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    w.dgView->verticalHeader()->setDefaultSectionSize(w.dgView->fontMetrics().height() + 6);
    w.dgView->hide();
    QObject::connect(w.dgView, &QTableView::doubleClicked, &w, &frmMain::mnuFileProperties_Click);
    QTreeView* report = w.dgReportView = Control<QTreeView>(client, "dgReportView");
    report->setSelectionBehavior(QAbstractItemView::SelectRows);
    report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    report->setUniformRowHeights(true);
    report->hide();
    QObject::connect(report, &QTreeView::doubleClicked, &w, &frmMain::mnuFileProperties_Click);
    QObject::connect(report, &QTreeView::expanded, &w, [report] {
        // Detail rows have columns of their own under the same sections: widen what they need.
        QHeaderView* header = report->header();
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c)) continue;
            const int before = header->sectionSize(c);
            report->resizeColumnToContents(c);
            if (header->sectionSize(c) < before) header->resizeSection(c, before);
        }
    });

    w.imgSplitter = Control<QFrame>(client, "imgSplitter");
    w.imgSplitter->setCursor(Qt::SplitHCursor);
    w.imgSplitter->installEventFilter(&w);
    w.picSplitter = Control<QFrame>(client, "picSplitter");
    w.picSplitter->setFrameShape(QFrame::Box);
    w.picSplitter->setStyleSheet("background: palette(mid);");
    w.picSplitter->hide();
}

void clsMainLayout::BuildStatusBar() {
    QStatusBar* bar = w.sbStatusBar = w.statusBar();
    bar->setObjectName("sbStatusBar");
    w.m_statusPanel = new QLabel(bar);
    auto* date = new QLabel(bar);
    auto* time = new QLabel(bar);
    bar->addWidget(w.m_statusPanel, 1);
    bar->addPermanentWidget(date);
    bar->addPermanentWidget(time);
    auto clock = [date, time] {
        const QDateTime now = DbmsClock::Now();
        date->setText(now.date().toString("dd/MM/yyyy"));
        time->setText(now.time().toString("HH:mm"));
    };
    clock();
    w.tmClock = new QTimer(&w);
    w.tmClock->setInterval(1000);
    QObject::connect(w.tmClock, &QTimer::timeout, &w, clock);
    w.tmClock->start();
}

void clsMainLayout::Resize(int splitTwips) {
    const QSize least(Px(MinTreeWidth + SplitterWidth + MinGridWidth), Px(MinHeight));
    if (w.minimumWidth() < least.width() || w.minimumHeight() < least.height())
        w.setMinimumSize(w.minimumSize().expandedTo(least));
    if (splitTwips < 0) splitTwips = m_intDefaultSplit;
    m_blnTreeVisible = splitTwips != 0;
    if (m_blnTreeVisible) m_intSplit = std::max(splitTwips, MinTreeWidth);
    if (QAction* menu = w.Menu("mnuHideSection")) menu->setChecked(m_blnTreeVisible);
    // The Webdings arrows of old: left to hide the tree, right to show it again.
    w.cmdHideTree->setText(m_blnTreeVisible ? QStringLiteral("\u25C0") : QStringLiteral("\u25B6"));

    const QRect client = w.centralWidget()->rect();
    const int titleHeight = w.lblTitle[0]->sizeHint().height() + 4;
    const int treeWidth = m_blnTreeVisible ? Px(m_intSplit) : 0;
    const int splitterWidth = m_blnTreeVisible ? Px(SplitterWidth) : 0;

    w.tvTreeView->setVisible(m_blnTreeVisible);
    w.lblTitle[0]->setVisible(m_blnTreeVisible);
    w.imgSplitter->setVisible(m_blnTreeVisible);
    if (m_blnTreeVisible) {
        w.lblTitle[0]->setGeometry(0, 0, treeWidth, titleHeight);
        w.tvTreeView->setGeometry(0, titleHeight, treeWidth, client.height() - titleHeight);
        w.imgSplitter->setGeometry(treeWidth, 0, splitterWidth, client.height());
    }

    const int left = treeWidth + splitterWidth;
    const int width = std::max(client.width() - left, 0);
    const int buttonSize = titleHeight;
    w.cmdHideTree->setGeometry(left, 0, buttonSize, titleHeight);
    int titleLeft = left + buttonSize;
    int titleRight = left + width;
    if (w.cmdGridSetting->isVisibleTo(&w)) {
        titleRight -= buttonSize;
        w.cmdGridSetting->setGeometry(titleRight, 0, buttonSize, titleHeight);
    }
    if (w.cmdDateSel->isVisibleTo(&w)) {
        const int dateWidth = std::min(w.cmdDateSel->sizeHint().width() + 12, width / 2);
        titleRight -= dateWidth;
        w.cmdDateSel->setGeometry(titleRight, 0, dateWidth, titleHeight);
    }
    w.lblTitle[1]->setGeometry(titleLeft, 0, std::max(titleRight - titleLeft, 0), titleHeight);
    // A section with child sections shows their buttons above its grid, when it has one.
    QRect data(left, titleHeight, width, std::max(client.height() - titleHeight, 0));
    const int buttonsBottom = PlaceSectionItems(data);
    if (buttonsBottom > data.top()) data.setTop(buttonsBottom + Px(ButtonGap));
    w.dgView->setGeometry(data);
    w.dgReportView->setGeometry(data);
}

int clsMainLayout::PlaceSectionItems(const QRect& area) {
    // Left to right in rows, with a gap around each button.
    const int gap = Px(ButtonGap);
    int x = area.left() + gap;
    int y = area.top() + gap;
    int rowHeight = 0;
    const auto& buttons = w.acmdSectionItem;
    for (size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* button = buttons[i];
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
    return buttons.empty() ? area.top() : y + rowHeight;
}

void clsMainLayout::SplitterMouse(QEvent* event) {
    QFrame* bar = w.picSplitter;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        bar->setGeometry(w.imgSplitter->x(), w.imgSplitter->y(),
                         std::max(w.imgSplitter->width() / 2, 1),
                         std::max(w.imgSplitter->height() - Px(20), 1));
        bar->show();
        bar->raise();
        m_blnMoving = true;
        break;
    case QEvent::MouseMove:
        if (m_blnMoving) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int windowWidth = w.centralWidget()->width() * Twips;
            int position = (w.imgSplitter->x() + qRound(mouse->position().x())) * Twips;
            position = std::clamp(position, SplitterMargin,
                                  std::max(windowWidth - SplitterMargin, SplitterMargin));
            bar->move(Px(position), bar->y());
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_blnMoving) {
            Resize(bar->x() * Twips);
            bar->hide();
            m_blnMoving = false;
        }
        break;
    default:
        break;
    }
}

void clsMainLayout::LoadPlacement(const clsSettings& settings) {
    QRect rect(qRound(ReadTwips(settings, "MainLeft", 1000) / Twips),
               qRound(ReadTwips(settings, "MainTop", 1000) / Twips),
               qRound(ReadTwips(settings, "MainWidth", 6500) / Twips),
               qRound(ReadTwips(settings, "MainHeight", 6500) / Twips));
    const QScreen* display = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    if (display && settings.ReadSetting("Settings", "MainWidth").isEmpty()) {
        // Nothing stored yet: most of the screen, so the tree and a grid both show.
        const QRect available = display->availableGeometry();
        rect.setSize(available.size() * 4 / 5);
        rect.moveCenter(available.center());
    }
    w.setGeometry(rect);
    const int state = settings.ReadSetting("Settings", "MainState", "0").toInt();
    if (state == 2)
        w.setWindowState(Qt::WindowMaximized);
    else if (state == 1)
        w.setWindowState(Qt::WindowMinimized);
    m_intSplit = m_intDefaultSplit = qRound(ReadTwips(settings, "MainSplit", 3500));
    Resize(m_intSplit);
}

void clsMainLayout::SavePlacement(clsSettings& settings) const {
    const Qt::WindowStates state = w.windowState();
    const int stored = state & Qt::WindowMinimized ? 1 : state & Qt::WindowMaximized ? 2 : 0;
    WriteTwips(settings, "MainState", stored);
    // The normal rectangle, not the maximised one, is what the next start restores.
    const QRect rect = stored == 0 ? w.geometry() : w.normalGeometry();
    if (rect.isValid()) {
        WriteTwips(settings, "MainLeft", rect.left() * Twips);
        WriteTwips(settings, "MainTop", rect.top() * Twips);
        WriteTwips(settings, "MainWidth", rect.width() * Twips);
        WriteTwips(settings, "MainHeight", rect.height() * Twips);
    }
    if (m_intSplit > 0) WriteTwips(settings, "MainSplit", m_intSplit);
}
