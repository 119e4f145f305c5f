#pragma once

#include "platform/PictureDecoder.h"

#include <QMap>
#include <QStringList>

namespace quillane {

// Decodes from a table of pictures by path; any other path fails.
class FakePictureDecoder final : public PictureDecoder {
public:
    DecodedPicture decode(const QString &path) override
    {
        decoded << path;
        if (failuresByPath.contains(path))
            return {QImage(), failuresByPath.value(path)};
        if (!pictures.contains(path))
            return {QImage(), Failure{53, "not found: " + path}};
        return {pictures.value(path), std::nullopt};
    }

    QMap<QString, QImage> pictures;
    QMap<QString, Failure> failuresByPath;
    QStringList decoded;
};

} // namespace quillane
