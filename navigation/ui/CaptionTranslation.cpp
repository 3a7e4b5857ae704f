#include "navigation/ui/CaptionTranslation.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "foundation/LanguageManager.h"

namespace {

QString Translated(const QString& text) {
    if (text.isEmpty()) return text;
    return QString::fromStdString(g_LanguageManager->Translate(text.toStdString()));
}

template <typename Object, typename Get, typename Set>
void TranslateText(Object* object, Get get, Set set) {
    const QString text = (object->*get)();
    const QString translated = Translated(text);
    if (translated != text) (object->*set)(translated);
}

bool InsideStatusBar(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (qobject_cast<const QStatusBar*>(w)) return true;
    return false;
}

void TranslateOwnText(QObject* component) {
    if (auto* label = qobject_cast<QLabel*>(component)) {
        if (!InsideStatusBar(label)) TranslateText(label, &QLabel::text, &QLabel::setText);
    } else if (auto* tool = qobject_cast<QToolButton*>(component)) {
        // Tool-bar buttons keep their fixed captions; a loose one is a key.
        if (!qobject_cast<QToolBar*>(tool->parentWidget()) && !tool->defaultAction())
            TranslateText(tool, &QAbstractButton::text, &QAbstractButton::setText);
    } else if (qobject_cast<QPushButton*>(component) || qobject_cast<QCheckBox*>(component) ||
               qobject_cast<QRadioButton*>(component)) {
        auto* button = static_cast<QAbstractButton*>(component);
        if (!InsideStatusBar(button))
            TranslateText(button, &QAbstractButton::text, &QAbstractButton::setText);
    } else if (auto* group = qobject_cast<QGroupBox*>(component)) {
        TranslateText(group, &QGroupBox::title, &QGroupBox::setTitle);
    } else if (auto* tabs = qobject_cast<QTabWidget*>(component)) {
        for (int i = 0; i < tabs->count(); ++i) tabs->setTabText(i, Translated(tabs->tabText(i)));
    } else if (auto* menu = qobject_cast<QMenu*>(component)) {
        TranslateText(menu, &QMenu::title, &QMenu::setTitle);
    } else if (auto* action = qobject_cast<QAction*>(component)) {
        // Menu items only: a tool bar's actions are its buttons.
        const QList<QObject*> users = action->associatedObjects();
        if (std::any_of(users.begin(), users.end(),
                        [](QObject* user) { return qobject_cast<QMenu*>(user); }))
            TranslateText(action, &QAction::text, &QAction::setText);
    }
}

void Walk(QObject* component) {
    TranslateOwnText(component);
    for (QObject* child : component->children()) Walk(child);
}

}  // namespace

void TranslateMenuItem(QAction* item) {
    if (!g_LanguageManager || !item) return;
    TranslateText(item, &QAction::text, &QAction::setText);
    if (QMenu* sub = item->menu()) TranslateMenu(sub);
}

void TranslateMenu(QMenu* menu) {
    if (!g_LanguageManager || !menu) return;
    TranslateText(menu, &QMenu::title, &QMenu::setTitle);
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) continue;
        if (QMenu* sub = item->menu())
            TranslateMenu(sub);
        else
            TranslateText(item, &QAction::text, &QAction::setText);
    }
}

void TranslateControlTree(QWidget* control) {
    if (!g_LanguageManager || !control) return;
    if (control->isWindow())
        TranslateText(control, &QWidget::windowTitle, &QWidget::setWindowTitle);
    else
        TranslateOwnText(control);
    for (QObject* child : control->children()) TranslateComponent(child);
}

void TranslateComponent(QObject* component) {
    if (!g_LanguageManager || !component) return;
    Walk(component);
}
