#pragma once

#include <QPoint>

class QWidget;

namespace quillane {

// Moves the window with the pointer until the mouse button that started the
// drag is released, and returns only then. pressGlobalPos is where the button
// went down, in screen coordinates.
void DragForm(QWidget *window, QPoint pressGlobalPos);

} // namespace quillane
