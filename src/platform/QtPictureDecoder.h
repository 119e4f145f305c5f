#pragma once

#include "platform/PictureDecoder.h"

#include <QByteArrayView>

namespace quillane {

// Decodes JPEG, GIF (first frame), BMP and whatever else Qt reads, turned
// upright by the file's EXIF orientation.
class QtPictureDecoder final : public PictureDecoder {
public:
    // Pictures whose decoded form needs more than this are refused unread.
    static constexpr qint64 LimitBytes = qint64(1024) << 20;

    DecodedPicture decode(const QString &path) override;

    // True when JPEG data runs from its start marker to its end marker: a
    // file cut short still decodes, with a grey lower part and no error.
    static bool jpegIsComplete(QByteArrayView data);
};

} // namespace quillane
