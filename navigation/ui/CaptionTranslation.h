// Runs the captions of windows through the translation manager. Because a
// translated caption maps back to its English key first, the same walk
// switches between any two languages, any number of times.
//
// What is translated: window titles, the texts of labels (also the label of
// a labelled edit), push buttons, check boxes, radio buttons, tool buttons
// that are not on a tool bar, group box titles, tab texts, and menu titles
// and items. Never: edit texts, combo box and list items, table cells,
// tool-bar buttons, tooltips, or anything inside a status bar (its panels).
// Everything does nothing without g_LanguageManager or for null.
#pragma once

class QAction;
class QMenu;
class QObject;
class QWidget;

// The menu's title and each item, sub-menus depth first.
void TranslateMenu(QMenu* menu);
void TranslateMenuItem(QAction* item);
// The control's own text (a window's title), then every object below it in
// creation order.
void TranslateControlTree(QWidget* control);
// One object by its class (the table above), then its children.
void TranslateComponent(QObject* component);
