// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillane {

// Shows a help file in a window of its own, beside the program.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Opens the file at its default topic and returns at once. A file that
    // cannot be shown is reported inside the viewer, never to the caller.
    virtual void show(const QString &helpFile) = 0;
};

} // namespace quillane
