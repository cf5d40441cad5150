#pragma once

#include <QString>

class QObject;
class QWidget;

// A form marks each component that takes its text from the language table with a "Tag"
// property holding the text's id; 0 (or no Tag) leaves the component alone.
void SetTag(QObject *Component, int Value);
int Tag(const QObject *Component);

// Gives every tagged component of Form (all its descendants) its caption, and for some kinds
// its hint, from the table of Lang: menu items (actions that a menu shows), tool buttons,
// labels, check boxes, push buttons, radio buttons, group boxes, panels and tab pages. Other
// tagged components, actions outside menus among them, and ids without a text keep the
// designed caption. A submenu is tagged through its menuAction(). An unknown language code is
// reported and ends the program.
void ApplyLanguage(QWidget *Form, const QString &Lang);
