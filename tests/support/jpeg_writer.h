// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSize>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace quillane::test {

// A JPEG of quality 100 without subsampling, written with libjpeg so that
// the tests choose what Qt cannot: CMYK or YCCK, Adobe's marker or not, an
// ICC profile and an EXIF block. samples: RGB, CMYK or grey, as stored says
// (JCS_YCbCr, JCS_CMYK, JCS_YCCK or JCS_GRAYSCALE), row after row.
inline QByteArray writeJpeg(const QByteArray &samples, QSize size, J_COLOR_SPACE stored,
                            bool adobeMarker, const QByteArray &icc = {},
                            const QByteArray &exif = {})
{
    const bool cmyk = stored == JCS_CMYK || stored == JCS_YCCK;
    const int components = cmyk ? 4 : stored == JCS_GRAYSCALE ? 1 : 3;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = components;
    info.in_color_space = cmyk ? JCS_CMYK : components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, stored);
    info.write_Adobe_marker = adobeMarker;
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    if (!icc.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(icc.constData()),
                               unsigned(icc.size()));
    if (!exif.isEmpty())
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET *>(exif.constData()),
                          unsigned(exif.size()));
    while (info.next_scanline < info.image_height) {
        auto *row = reinterpret_cast<JSAMPROW>(const_cast<char *>(samples.constData())) +
                    qsizetype(info.next_scanline) * size.width() * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(length));
    std::free(buffer);
    return file;
}

} // namespace quillane::test
