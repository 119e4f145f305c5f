// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Twips.h"

#include <QDialog>
#include <QImage>

class QScrollBar;

namespace quillane {

class CoverSlot;
class FilledRect;
class PictureDecoder;

// The viewed picture at its natural size: one picture pixel to a logical pixel.
class NaturalPicture final : public QWidget {
    Q_OBJECT
public:
    explicit NaturalPicture(QWidget *parent);

    // Takes the picture's size at once.
    void setPicture(QImage picture);
    const QImage &picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage picture_;
};

// "Form2": one cover at its natural size in a fixed viewport, moved by two
// scroll bars in steps of 20 twips. Created for one showing, modal over its
// owner, and discarded when its "x" closes it.
class ImageViewer final : public QDialog {
    Q_OBJECT
public:
    // The viewport Picture1, in twips.
    static constexpr int ViewportWidth = 9255;
    static constexpr int ViewportHeight = 6975;
    // Twips the picture moves for one unit of a bar.
    static constexpr int StepTwips = 20;

    ImageViewer(QWidget *owner, QImage picture);

    // Shows the viewer modally, centred over its owner, and returns when it has closed.
    int exec() override;

    // Where the picture's top left corner lies in the viewport, in twips.
    qint64 pictureLeft() const { return left_; }
    qint64 pictureTop() const { return top_; }

    // The steps a bar needs for its last one to show the picture's far edge:
    // 0 when the picture fits the viewport in that direction.
    static int scrollSteps(int picturePixels, int viewportTwips);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QScrollBar *addBar(Qt::Orientation orientation, const char *name, TwipRect r, int steps);
    void placePicture();

    FilledRect *titleBand_ = nullptr;
    QWidget *viewport_ = nullptr;
    NaturalPicture *picture_ = nullptr;
    QScrollBar *horizontal_ = nullptr;
    QScrollBar *vertical_ = nullptr;
    // Full width: a long picture's offset runs far beyond 16 bits.
    qint64 left_ = 0;
    qint64 top_ = 0;
};

// "View Image" on a slot: shows the picture the slot loaded, decoded afresh
// from its held bytes at natural size. An empty slot shows nothing; a picture
// that cannot be decoded now is reported and the viewer is not shown. The
// slot is never changed.
void viewCover(QWidget *owner, PictureDecoder &decoder, const CoverSlot &slot);

} // namespace quillane
