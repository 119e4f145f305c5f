// SPDX-License-Identifier: GPL-3.0-or-later
// The readers of stored settings, on any text a hand-edited file may hold.
#include "settings/Settings.h"

#include <cstdint>
#include <cstdlib>

using namespace quillane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        if (effectiveFormHeight(text) < ClosedFormHeight)
            std::abort();
        // A colour that reads back must read back the same from its own digits.
        if (const std::optional<qint32> colour = parseColorValue(text)) {
            if (parseColorValue(QString::number(*colour)) != colour)
                std::abort();
        }
    }
    return 0;
}
