// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace quillane {

// The program ends when the window system closes the main window, also while
// a modal window blocks it: Qt drops that close request, so on X11 it is
// taken from the window system's own message.
void endWithMainWindow(QWidget *mainWindow);

} // namespace quillane
