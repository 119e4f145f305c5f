// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace quillane {

// A picture file's bytes as read, or the reason they could not be read.
struct PictureFile {
    QByteArray bytes; // empty when failure is set
    MaybeFailure failure;

    bool ok() const { return !failure.has_value(); }
};

// A picture decoded from a file, or the reason it could not be.
struct DecodedPicture {
    QImage image; // null exactly when failure is set
    MaybeFailure failure;

    bool ok() const { return !failure.has_value(); }
};

// A picture loaded from a file, with the file's bytes it was decoded from.
struct LoadedPicture {
    QByteArray bytes; // empty when decoded failed
    DecodedPicture decoded;
};

// A caller may keep a file's bytes as they were read and decode them again
// later, at a smaller size. All may be called on worker threads, several at
// once.
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    // The file's bytes, when it is a regular file this program may read whole.
    virtual PictureFile read(const QString &path) = 0;
    // bytes decoded; path only names the file in a failure. A valid target
    // asks for the smallest size the format can decode straight to that
    // covers it (JPEG, WebP); other formats decode at their natural size.
    virtual DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path,
                                       QSize target = QSize()) = 0;
    // Reads and decodes at once, so that a file whose data runs out or goes
    // wrong may be refused before the rest of it is read.
    virtual LoadedPicture load(const QString &path, QSize target)
    {
        PictureFile file = read(path);
        if (!file.ok())
            return {QByteArray(), {QImage(), std::move(file.failure)}};
        DecodedPicture decoded = decodeBytes(file.bytes, path, target);
        return {std::move(file.bytes), std::move(decoded)};
    }

    DecodedPicture decode(const QString &path) { return load(path, QSize()).decoded; }
};

} // namespace quillane
