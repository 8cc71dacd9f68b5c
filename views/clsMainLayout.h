#pragma once
// The main window's panes: the tree on the left, the splitter, the title, grid and section
// buttons on the right, all in twips as the stored placement is; and the placement itself.

class QEvent;
class QRect;
class clsSettings;
class frmMain;

class clsMainLayout {
public:
    explicit clsMainLayout(frmMain& window) : w(window) {}

    // Makes the controls of the client area, into the window's members.
    void Build();
    // The status bar: the message panel, then date and time, kept by tmClock.
    void BuildStatusBar();
    // Lays the panes out for a splitter position in twips (-1: the default width, 0: tree
    // hidden).
    void Resize(int splitTwips);
    // Again, for the splitter where it is.
    void Relayout() { Resize(m_blnTreeVisible ? m_intSplit : 0); }
    bool TreeVisible() const { return m_blnTreeVisible; }
    int Split() const { return m_intSplit; }
    // The mouse on the splitter bar: a press shows the moving bar, a release lays out there.
    void SplitterMouse(QEvent* event);

    void LoadPlacement(const clsSettings& settings);
    void SavePlacement(clsSettings& settings) const;

private:
    // Returns the bottom of the section buttons, or the area's top when there are none.
    int PlaceSectionItems(const QRect& area);

    frmMain& w;
    bool m_blnTreeVisible = true;
    bool m_blnMoving = false;
    int m_intSplit = 3500;        // twips from the window's left edge
    int m_intDefaultSplit = 3500; // the stored width, for showing the tree again
};
