// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/PrintPipeline.h"

#include <QString>

#include <optional>

class QWidget;

namespace quillane {

class PictureDecoder;
class Printer;
class Settings;

// Which covers the main window's "Front" and "Back" boxes ask for; none when
// neither is checked.
std::optional<PrintSelection> selectionFor(bool front, bool back);

// What the print button's job works with, taken from the main window.
struct PrintJobInputs {
    QWidget *owner; // the window its dialogs open over
    QString &dialogResult;
    bool printFront = false;
    bool printBack = false;
    HeldPicture front;
    HeldPicture back;
    Settings &settings;
    Printer &printer;
    PictureDecoder &decoder;
};

// The print button's job: asks for the printer, then prints the covers the
// check boxes select on one page, or tells why it cannot. The page is
// composed whole before anything goes to the printer, and a page that fails
// on the way is abandoned: nothing half printed leaves the program. The
// pictures are prepared and the page sent off the user-interface thread,
// while the windows repaint; the job returns when the page is gone.
void runPrintJob(const PrintJobInputs &job);

} // namespace quillane
