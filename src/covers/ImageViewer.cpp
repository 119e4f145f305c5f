// SPDX-License-Identifier: GPL-3.0-or-later
#include "covers/ImageViewer.h"

#include "covers/CoverSlot.h"
#include "dialogs/Dialogs.h"
#include "platform/PictureDecoder.h"
#include "ui/Chrome.h"
#include "ui/DragForm.h"
#include "ui/OffUiThread.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

namespace quillane {

namespace {

constexpr QSize FormSize(9495, 7455);

qint64 pixelsToTwips(int pixels)
{
    return qint64(pixels) * twips::PerPixel;
}

} // namespace

NaturalPicture::NaturalPicture(QWidget *parent) : QWidget(parent) {}

void NaturalPicture::setPicture(QImage picture)
{
    // Converted once here, so that painting copies pixels and never converts
    // the whole picture again.
    const QImage::Format paintable =
        picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (picture.format() != paintable)
        picture.convertTo(paintable);
    picture_ = std::move(picture);
    setAttribute(Qt::WA_OpaquePaintEvent, !picture_.hasAlphaChannel());
    // Its pixel size, whatever pixel ratio its file name claims.
    resize(picture_.size());
    update();
}

void NaturalPicture::paintEvent(QPaintEvent *event)
{
    if (picture_.isNull())
        return;
    const QRect exposed = event->rect() & QRect(QPoint(), picture_.size());
    QPainter painter(this);
    painter.drawImage(exposed, picture_, exposed);
}

ImageViewer::ImageViewer(QWidget *owner, QImage picture)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName("Form2");
    setWindowTitle("Image Viewer");
    setModal(true);
    // A window of its own to a screen reader, as it is to the user, not a dialog.
    setAccessibleRole(this, QAccessible::Window);
    useOwnColours(this);
    setFixedSize(twips::toPixels(FormSize.width()), twips::toPixels(FormSize.height()));
    setBackground(this, Qt::white);

    // Bottom to top, so that each control lies above those made before it.
    titleBand_ = addShape(this, "Shape1", {0, 0, FormSize.width(), 255}, TitleBandColor);
    ClickLabel *title = addTitle(this, {120, 0, 8295, 255}, "Image Viewer");
    // Every mouse button drags.
    connect(title, &ClickLabel::pressed, this, [this](Qt::MouseButton, QPoint globalPos) {
        dragWithTitleBand(this, titleBand_, globalPos);
    });
    ClickLabel *close = addLabel(this, "Label3", {9240, 0, 255, 255}, "x", 9, Qt::AlignCenter);
    close->setToolTip("Close");
    close->setAccessibleName("Close");
    close->setPressable();
    connect(close, &ClickLabel::clicked, this, &QDialog::accept);
    ClickLabel *corner = addLabel(this, "Image2", {9240, 7200, 255, 255}, QString(), 9);
    corner->setPixmap(sharpPixmap(":/quillane.svg", QSize(16, 16)));
    corner->setScaledContents(true);
    corner->setAccessibleName("Quillane");

    // The bars measure the picture at its natural size.
    vertical_ = addBar(Qt::Vertical, "VScroll1", {9240, 240, 255, ViewportHeight},
                       scrollSteps(picture.height(), ViewportHeight));
    horizontal_ = addBar(Qt::Horizontal, "HScroll1", {0, 7200, ViewportWidth, 255},
                         scrollSteps(picture.width(), ViewportWidth));

    viewport_ = new QWidget(this);
    viewport_->setObjectName("Picture1");
    viewport_->setGeometry(twips::rect({0, 240, ViewportWidth, ViewportHeight}));
    setBackground(viewport_, QApplication::palette().color(QPalette::Base));
    viewport_->setFocusPolicy(Qt::StrongFocus);
    viewport_->setAccessibleName("Picture");
    setAccessibleRole(viewport_, QAccessible::Pane);
    picture_ = new NaturalPicture(viewport_);
    picture_->setObjectName("Image1");
    picture_->setAccessibleName("Cover picture");
    setAccessibleRole(picture_, QAccessible::Graphic);
    picture_->setPicture(std::move(picture));

    setTabOrder(vertical_, horizontal_);
    setTabOrder(horizontal_, viewport_);
    setTabOrder(viewport_, close);

    // Thumb drags (scroll) and settled values (change) place the picture alike.
    connect(horizontal_, &QScrollBar::valueChanged, this, [this](int value) {
        left_ = -qint64(StepTwips) * value;
        placePicture();
    });
    connect(vertical_, &QScrollBar::valueChanged, this, [this](int value) {
        top_ = -qint64(StepTwips) * value;
        placePicture();
    });
}

int ImageViewer::scrollSteps(int picturePixels, int viewportTwips)
{
    const qint64 excess = pixelsToTwips(picturePixels) - viewportTwips;
    if (excess <= 0)
        return 0;
    return int((excess + StepTwips - 1) / StepTwips);
}

QScrollBar *ImageViewer::addBar(Qt::Orientation orientation, const char *name, TwipRect r,
                                int steps)
{
    auto *bar = new QScrollBar(orientation, this);
    bar->setObjectName(name);
    bar->setAccessibleName(orientation == Qt::Vertical ? "Scroll up and down"
                                                       : "Scroll left and right");
    bar->setGeometry(twips::rect(r));
    bar->setRange(0, steps);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->installEventFilter(this);
    // A picture that fits needs no bar in that direction.
    bar->setEnabled(steps > 0);
    return bar;
}

void ImageViewer::placePicture()
{
    picture_->move(twips::toPixels(left_), twips::toPixels(top_));
}

int ImageViewer::exec()
{
    centreOver(this, parentWidget());
    // The first control in the focus order that can take it.
    for (QWidget *control :
         {static_cast<QWidget *>(vertical_), static_cast<QWidget *>(horizontal_), viewport_}) {
        if (control->isEnabled()) {
            control->setFocus();
            break;
        }
    }
    const int result = QDialog::exec();
    takeKeyboardBack(parentWidget());
    return result;
}

void ImageViewer::keyPressEvent(QKeyEvent *event)
{
    // Only the "x" closes the viewer.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ImageViewer::eventFilter(QObject *watched, QEvent *event)
{
    // Qt's scroll bars take Left for forward and Right for back; here Right
    // moves towards the picture's far edge, as the arrow at that end does.
    if (event->type() == QEvent::KeyPress && (watched == horizontal_ || watched == vertical_)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            static_cast<QScrollBar *>(watched)->triggerAction(
                key == Qt::Key_Right ? QAbstractSlider::SliderSingleStepAdd
                                     : QAbstractSlider::SliderSingleStepSub);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void viewCover(QWidget *owner, PictureDecoder &decoder, const CoverSlot &slot)
{
    if (!slot.isFilled())
        return;
    // The bytes as loaded, whatever became of the file since.
    DecodedPicture decoded = awaitOffUiThread([&decoder, bytes = slot.bytes(), path = slot.path()] {
        return decoder.decodeBytes(bytes, path);
    });
    if (!decoded.ok()) {
        showFailure(owner, *decoded.failure);
        return;
    }
    ImageViewer viewer(owner, std::move(decoded.image));
    viewer.exec();
}

} // namespace quillane
