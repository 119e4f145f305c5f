// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"

#include <QImage>
#include <QStringList>
#include <QtGlobal>

class QWidget;

namespace quillane {

// The current printer's paper and the part of it the printer can print on,
// in twips; printer and paper are the names the user knows them by.
struct PrintableArea {
    QString printer;
    QString paper;
    int width = 0;
    int height = 0;
    // Pixels per inch of printed size worth sending a picture at; 0 sends
    // pictures at their natural size.
    int pictureDensity = 600;
};

// The printer service the print job drives. Coordinates are twips from the
// top-left corner of the current printer's printable area.
class Printer {
public:
    virtual ~Printer() = default;

    // The installed printers' names in the platform's order; what cannot be
    // listed is left out. It may wait on the print service: it runs on a
    // worker thread, and nothing else is asked of the printer meanwhile.
    virtual QStringList listPrinters() = 0;
    // Makes the printer at this position of the last listing current for the
    // rest of the run. A choice that cannot be honoured fails when printing.
    virtual void makeCurrent(int position) = 0;
    // Asks the user, over owner, whatever the current printer must know
    // before a page, such as the file a printer that writes files writes it
    // to. False when the user cancels: nothing is printed.
    virtual bool askDestination(QWidget *owner)
    {
        Q_UNUSED(owner);
        return true;
    }
    // The printable area of the current printer's own paper, asked of that
    // printer when called: nothing is carried over from another printer.
    // Every operation from here on may run on a worker thread, one at a time.
    virtual MaybeFailure printableArea(PrintableArea *area) = 0;
    // The whole picture, stretched to fill the rectangle exactly. The first
    // drawing operation after an end of document begins a new document.
    virtual MaybeFailure paintPicture(const QImage &picture, int x, int y, int width,
                                      int height) = 0;
    // A solid line one device pixel wide; colour is 0x00BBGGRR.
    virtual MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) = 0;
    // Releases the drawing done since the last end of document as one page.
    // With nothing drawn it sends nothing. On failure nothing is printed and
    // the document is gone.
    virtual MaybeFailure endDocument() = 0;
    // Throws away the drawing done since the last end of document: nothing of
    // it reaches the printer.
    virtual void abandonDocument() = 0;
};

} // namespace quillane
