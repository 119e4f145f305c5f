#include "platform/CupsPrinter.h"

#include "platform/Failures.h"

namespace quillane {

// Printing arrives with the print job; until then every drawing operation
// reports that it cannot print.
QStringList CupsPrinter::listPrinters()
{
    return {};
}

void CupsPrinter::makeCurrent(int) {}

MaybeFailure CupsPrinter::paintPicture(const QImage &, int, int, int, int)
{
    return failures::noPrinter();
}

MaybeFailure CupsPrinter::drawLine(int, int, int, int, quint32)
{
    return failures::noPrinter();
}

MaybeFailure CupsPrinter::endDocument()
{
    return failures::noPrinter();
}

} // namespace quillane
