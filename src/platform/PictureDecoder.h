#pragma once

#include "platform/Failure.h"

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
    // The picture's natural size in pixels.
    QSize naturalSize() const { return image.size(); }
};

// Reading and decoding are apart, so that a caller may keep a file's bytes as
// they were read and decode them again later, at a smaller size. Both may
// be called on worker threads, several at once.
class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    // The file's bytes, when it is a regular file this program may read whole.
    virtual PictureFile read(const QString &path) = 0;
    // bytes decoded; path only names the file in a failure. A valid target
    // asks for the smallest size the format can decode straight to that
    // covers it (JPEG); other formats decode at their natural size.
    virtual DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path,
                                       QSize target = QSize()) = 0;

    DecodedPicture decode(const QString &path)
    {
        PictureFile file = read(path);
        if (!file.ok())
            return {QImage(), std::move(file.failure)};
        return decodeBytes(file.bytes, path);
    }
};

} // namespace quillane
