#pragma once

#include "print/CoverSheet.h"

#include <QImage>

#include <optional>

namespace quillane {

class MainWindow;
class Printer;

// Which covers the main window's "Front" and "Back" boxes ask for; none when
// neither is checked.
std::optional<PrintSelection> selectionFor(bool front, bool back);

// Performs each operation on the printer's page, with the slots' pictures at
// full resolution.
class PrinterSink final : public DrawSink {
public:
    PrinterSink(Printer &printer, const QImage &front, const QImage &back)
        : printer_(printer), front_(front), back_(back)
    {
    }
    MaybeFailure draw(const DrawOp &op) override;

private:
    Printer &printer_;
    const QImage &front_;
    const QImage &back_;
};

// The print button's job: asks for the printer, then prints the covers the
// check boxes select on one page, or tells why it cannot. The page is
// composed whole before anything goes to the printer, and a page that fails
// on the way is abandoned: nothing half printed leaves the program.
void runPrintJob(MainWindow &window);

} // namespace quillane
