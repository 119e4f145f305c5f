#pragma once

#include <QPoint>

class QWidget;

namespace quillane {

class FilledRect;

// Moves the window with the pointer until the mouse button that started the
// drag is released, and returns only then. pressGlobalPos is where the button
// went down, in screen coordinates.
void DragForm(QWidget *window, QPoint pressGlobalPos);

// The title drag of the windows that move: the band shows its drag colour
// while DragForm runs and its rest colour once the button is released.
void dragWithTitleBand(QWidget *window, FilledRect *band, QPoint pressGlobalPos);

} // namespace quillane
