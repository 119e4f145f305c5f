#pragma once

#include "platform/Printer.h"

namespace quillane {

// The installed CUPS printers, driven through Qt's print support.
class CupsPrinter final : public Printer {
public:
    QStringList listPrinters() override;
    void makeCurrent(int position) override;
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override;
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override;
    MaybeFailure endDocument() override;
};

} // namespace quillane
