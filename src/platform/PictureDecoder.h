#pragma once

#include "platform/Failure.h"

#include <QImage>
#include <QString>

namespace quillane {

// A picture decoded from a file, or the reason it could not be.
struct DecodedPicture {
    QImage image; // null exactly when failure is set
    MaybeFailure failure;

    bool ok() const { return !failure.has_value(); }
    // The picture's natural size in pixels.
    QSize naturalSize() const { return image.size(); }
};

class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    virtual DecodedPicture decode(const QString &path) = 0;
};

} // namespace quillane
