#include "clsMenuSet.h"

#include "modTag.h"

#include <QAction>
#include <QMenu>

namespace {

template <typename T> T* Find(const std::map<QString, T*>& items, const QString& name) {
    const auto it = items.find(name);
    return it == items.end() ? nullptr : it->second;
}

} // namespace

QAction* clsMenuSet::Action(const QString& name) const {
    return Find(m_actions, name);
}

QMenu* clsMenuSet::Menu(const QString& name) const {
    return Find(m_menus, name);
}

QToolButton* clsMenuSet::Button(const QString& key) const {
    return Find(m_buttons, key);
}

QAction* clsMenuSet::AddAction(QMenu* menu, const QString& name, const QString& caption,
                               const QKeySequence& key) {
    auto* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!key.isEmpty()) action->setShortcut(key);
    m_actions[name] = action;
    return action;
}

void clsMenuSet::AddMenu(QMenu* menu, const QString& name) {
    menu->setObjectName(name);
    m_menus[name] = menu;
    m_actions[name] = menu->menuAction();
}

void clsMenuSet::AddArray(QMenu* menu, const QString& name, const QString& caption) {
    QAction* first = AddAction(menu, name, caption, {});
    first->setVisible(false);
    first->setEnabled(false);
    m_arrays[name] = {first};
}

void clsMenuSet::ClearArray(const QString& name) {
    auto& elements = m_arrays.at(name);
    while (elements.size() > 1) {
        delete elements.back();
        elements.pop_back();
    }
}

QAction* clsMenuSet::AddArrayElement(const QString& name, const QString& caption,
                                     const QVariant& tag) {
    auto& elements = m_arrays.at(name);
    auto* menu = qobject_cast<QMenu*>(elements.front()->parent());
    auto* action = new QAction(caption, menu);
    action->setObjectName(QString("%1%2").arg(name).arg(elements.size()));
    SetTag(action, tag);
    // Elements follow each other in the menu, after the last one of their array.
    const QList<QAction*> actions = menu->actions();
    const qsizetype after = actions.indexOf(elements.back());
    menu->insertAction(after + 1 < actions.size() ? actions.at(after + 1) : nullptr, action);
    elements.push_back(action);
    return action;
}
