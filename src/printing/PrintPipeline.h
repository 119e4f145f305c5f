// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/CoverSheet.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace quillane {

class PictureDecoder;
class Printer;

// A slot as the print job sees it: the file's bytes as read when the slot was
// filled, and its path, which only names the file in a failure.
struct HeldPicture {
    QByteArray bytes;
    QString path;

    bool isFilled() const { return !path.isEmpty(); }
};

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

// Everything after the composition that waits on the printer or on the
// pictures: the page placed on the current printer's printable area, each
// cover decoded from its held bytes straight at the smallest size the format
// offers that covers its rectangle at the printer's density and scaled down
// once to exactly that (the two covers at once), then drawn and sent as one
// page. A page that fails on the way is abandoned. Runs off the
// user-interface thread.
MaybeFailure printComposedPage(const QList<DrawOp> &composed, Printer &printer,
                               PictureDecoder &decoder, const HeldPicture &front,
                               const HeldPicture &back);

} // namespace quillane
