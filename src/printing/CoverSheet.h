// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"
#include "platform/Printer.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <variant>

namespace quillane {

class Settings;

// Which covers one print job prints.
enum class PrintSelection { FrontOnly, BackOnly, FrontAndBack };

// The cover slot a picture comes from.
enum class Cover { Front, Back };

// Page coordinates are twips from the top-left corner of the printable area.

// The slot's whole picture, stretched to fill the rectangle exactly.
struct PaintPicture {
    Cover slot;
    int x, y, width, height;

    friend bool operator==(const PaintPicture &, const PaintPicture &) = default;
};

// A straight line with the printer's default pen; colour is 0x00BBGGRR.
struct DrawLine {
    int x1, y1, x2, y2;
    quint32 colour;

    friend bool operator==(const DrawLine &, const DrawLine &) = default;
};

// One drawing operation on the page.
using DrawOp = std::variant<PaintPicture, DrawLine>;

// "picture front 1440,1000 6900x6900" or "line 1790,8340 1790,15058 colour 255".
QString describe(const DrawOp &op);

// Receives each operation the moment it is composed.
class DrawSink {
public:
    virtual ~DrawSink() = default;
    virtual MaybeFailure draw(const DrawOp &op) = 0;
};

// Collects the operations, so that a whole page is known before any of it
// goes to a printer.
class RecordingSink final : public DrawSink {
public:
    MaybeFailure draw(const DrawOp &op) override
    {
        ops_.append(op);
        return std::nullopt;
    }
    const QList<DrawOp> &ops() const { return ops_; }

private:
    QList<DrawOp> ops_;
};

// Issues the operations of one print job to sink: the pictures, then the
// fold guide lines, then the borders, reading "GuideLine", "LineColor",
// "BorderLine" and "Border" at the step that needs them. The first failure
// ends the composition and is returned.
MaybeFailure ComposeCoverSheet(PrintSelection selection, const Settings &settings, DrawSink &sink);

// The page placed on a printable area without changing any size or
// distance: moved up by exactly what reaches below the area's bottom, never
// above its top and never sideways. Fails, naming the printer, its paper and
// the millimetres missing, when the page is too wide or too tall for it.
std::variant<QList<DrawOp>, Failure> placeOnPage(const QList<DrawOp> &page,
                                                 const PrintableArea &area);

} // namespace quillane
