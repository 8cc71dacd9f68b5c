#pragma once
// The menus, menu arrays and toolbar buttons of a window, by name: the window builds them
// from its tables, and its commands and the tests find them here.

#include <QString>
#include <QVariant>
#include <map>
#include <vector>

class QAction;
class QKeySequence;
class QMenu;
class QToolButton;

class clsMenuSet {
public:
    QAction* Action(const QString& name) const;
    QMenu* Menu(const QString& name) const;
    QToolButton* Button(const QString& key) const;
    // The elements of a menu array (element 0 is the design-time one).
    const std::vector<QAction*>& Array(const QString& name) const { return m_arrays.at(name); }

    QAction* AddAction(QMenu* menu, const QString& name, const QString& caption,
                       const QKeySequence& key);
    // A menu under `parent`; its action is found by the same name.
    void AddMenu(QMenu* menu, const QString& name);
    void AddButton(QToolButton* button, const QString& key) { m_buttons[key] = button; }
    // Element 0 of an array, kept hidden: the association menus show it as their header when
    // they have entries.
    void AddArray(QMenu* menu, const QString& name, const QString& caption);
    void ClearArray(const QString& name);
    QAction* AddArrayElement(const QString& name, const QString& caption, const QVariant& tag);

private:
    std::map<QString, QAction*> m_actions;
    std::map<QString, QMenu*> m_menus;
    std::map<QString, std::vector<QAction*>> m_arrays;
    std::map<QString, QToolButton*> m_buttons;
};
