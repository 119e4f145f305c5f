// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Printer.h"

#include <QSize>
#include <QStringList>

#include <functional>

namespace quillane {

// Records every printer operation as a line of text; an operation can be
// made to fail by its position in the log.
class FakePrinter final : public Printer {
public:
    QStringList listPrinters() override
    {
        log << "list";
        return printers;
    }
    void makeCurrent(int position) override
    {
        log << QString("current %1").arg(position);
        current = position;
    }
    MaybeFailure printableArea(PrintableArea *result) override
    {
        if (areaFailure)
            return areaFailure;
        *result = area;
        return std::nullopt;
    }
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override
    {
        painted << picture;
        return record(QString("picture %1x%2 at %3,%4 %5x%6")
                          .arg(picture.width())
                          .arg(picture.height())
                          .arg(x)
                          .arg(y)
                          .arg(width)
                          .arg(height));
    }
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override
    {
        return record(
            QString("line %1,%2 %3,%4 colour %5").arg(x1).arg(y1).arg(x2).arg(y2).arg(colour));
    }
    MaybeFailure endDocument() override { return record("end"); }
    void abandonDocument() override
    {
        log << "abandon";
        if (onOperation)
            onOperation("abandon");
    }

    QStringList printers;
    int current = -1;
    QStringList log;
    QList<QImage> painted;
    // A4 with the generic PDF driver's margins (0.25 in beside, 0.5 in above and below).
    PrintableArea area{"Fake", "A4", 11188, 15394};
    MaybeFailure areaFailure;
    // The operation (counted from 0 among drawing and end operations) that fails.
    int failAt = -1;
    Failure failure{482, "The printer refused the page."};
    // Runs at every drawing, end and abandon operation, after it is logged,
    // on the thread the job calls the printer on.
    std::function<void(const QString &entry)> onOperation;

private:
    MaybeFailure record(const QString &entry)
    {
        const bool fails = drawingOps++ == failAt;
        log << (fails ? entry + " FAILED" : entry);
        if (onOperation)
            onOperation(entry);
        if (fails)
            return failure;
        return std::nullopt;
    }
    int drawingOps = 0;
};

} // namespace quillane
