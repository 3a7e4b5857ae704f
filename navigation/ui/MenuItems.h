// The main window's menu items, shared by the files that build its menus.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QString>

// Appends an item named `name` (its object name) with `caption`.
inline QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// A shortcut the menu only shows: an earlier item owns the key, or a form
// handler needs it (two live actions with one key make Qt fire neither).
inline void ShowShortcutOnly(QAction* action, const QKeySequence& keys) {
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
}
