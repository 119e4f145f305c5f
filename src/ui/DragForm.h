// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>

#include <functional>

class QWidget;

namespace quillane {

class FilledRect;

// Moves the window with the pointer until the mouse button that started the
// drag is released. pressGlobalPos is where the button went down, in screen
// coordinates. ended runs once the move is over.
//
// Where the window system moves windows itself (X11 with a window manager,
// Wayland), it is handed the move and DragForm returns at once; ended then
// runs when the program next hears from the pointer. Elsewhere DragForm moves
// the window itself and returns when the button is released, or as soon as
// another window opens, which must not find the pointer held by this one.
void DragForm(QWidget *window, QPoint pressGlobalPos, std::function<void()> ended = {});

// The title drag of the windows that move: the band shows its drag colour
// while the move lasts and its rest colour once it is over.
void dragWithTitleBand(QWidget *window, FilledRect *band, QPoint pressGlobalPos);

} // namespace quillane
