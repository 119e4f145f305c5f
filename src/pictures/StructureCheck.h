// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/PictureSource.h"

#include <QLocale>
#include <QSize>
#include <QString>

#include <functional>

// Structural checks of picture files whose Qt decoders cannot tell a whole
// file from a cut or damaged one: they fill what the data leaves out with
// whatever the memory held, or with black, and report success.
namespace quillane::pictures {

struct Check {
    enum Outcome { Whole, Damaged, Unsupported, TooLarge };
    Outcome outcome = Whole;
    // Damaged: where the data ends or goes wrong; Unsupported: what it is.
    QString detail;
    // The decoded picture's size, once the header has been read.
    QSize size;

    bool whole() const { return outcome == Whole; }
};

// Whether a picture of this size, decoded at this many bits a pixel, may be
// decoded at all: asked before its pixel data is read, which a check then
// leaves unread (TooLarge).
using Fits = std::function<bool(QSize size, int bitsPerPixel)>;

// The words the checks' findings use.
inline QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

inline Check unsupported(const QString &what)
{
    return {Check::Unsupported, what, QSize()};
}

inline Check damaged(const QString &where, QSize size)
{
    return {Check::Damaged, where, size};
}

inline Check endsAt(qsizetype at, const QString &inside, QSize size = QSize())
{
    return damaged(QString("its data ends at byte %1, %2").arg(number(at), inside), size);
}

} // namespace quillane::pictures
