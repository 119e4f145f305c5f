// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>

class QKeyEvent;
class QPainter;
class QRect;
class QWidget;

namespace quillane {

// A control the program draws itself that the keyboard and a screen reader
// press like a button: Space or Enter does what a left click does and, where
// the control has a second action, the Menu key or Shift+F10 what a right
// click does. A screen reader sees it in the role it gives, with "Press" (and
// "ShowMenu") actions that run those same steps.
class Pressable {
public:
    virtual ~Pressable() = default;

    // NoRole while the control is not pressable: it is then seen as it is.
    virtual QAccessible::Role pressRole() const = 0;
    virtual void press() = 0;
    virtual bool hasMenu() const { return false; }
    virtual void showMenu() {}

protected:
    Pressable();

    // Runs the action of a pressing key; false for any other key.
    bool handlePressKey(const QKeyEvent *event);
    // To be called when pressRole() changes.
    static void becamePressable(QObject *object);
};

// Tells a screen reader what a window is where Qt's guess is wrong (a plain
// widget window reads as a filler, not a frame).
void setAccessibleRole(QWidget *window, QAccessible::Role role);

// The dotted frame that shows which drawn control has the keyboard focus,
// black over white so that it shows on any colour.
void drawFocusFrame(QPainter &painter, const QRect &frame);

} // namespace quillane
