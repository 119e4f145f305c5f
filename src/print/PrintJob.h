#pragma once

#include "print/CoverSheet.h"

#include <QByteArray>
#include <QImage>
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

// Performs each operation on the printer's page, with the covers' pictures as
// prepared for it.
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

// A slot as the print job sees it: the file's bytes as read when the slot was
// filled, and its path, which only names the file in a failure.
struct HeldPicture {
    QByteArray bytes;
    QString path;

    bool isFilled() const { return !path.isEmpty(); }
};

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
