// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PictureDecoder.h"

#include <QMap>
#include <QStringList>

namespace quillane {

// Decodes from a table of pictures by path; any other path fails. A file's
// "bytes" are its path.
class FakePictureDecoder final : public PictureDecoder {
public:
    PictureFile read(const QString &path) override
    {
        decoded << path;
        if (!pictures.contains(path) && !failuresByPath.contains(path))
            return {QByteArray(), Failure{53, "not found: " + path}};
        return {path.toUtf8(), std::nullopt};
    }

    DecodedPicture decodeBytes(const QByteArray &bytes, const QString &, QSize) override
    {
        const QString path = QString::fromUtf8(bytes);
        if (failuresByPath.contains(path))
            return {QImage(), failuresByPath.value(path)};
        return {pictures.value(path), std::nullopt};
    }

    QMap<QString, QImage> pictures;
    QMap<QString, Failure> failuresByPath;
    QStringList decoded;
};

} // namespace quillane
