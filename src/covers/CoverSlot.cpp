// SPDX-License-Identifier: GPL-3.0-or-later
#include "covers/CoverSlot.h"

#include "dialogs/Dialogs.h"
#include "platform/CommonDialog.h"
#include "platform/PictureDecoder.h"
#include "ui/Chrome.h"
#include "ui/OffUiThread.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quillane {

const QString CoverSlot::FileFilter =
    // The first entry lists every format the decoder reads, so that none is hidden.
    QStringLiteral("Supported File Types|*.jpg;*.jpeg;*.gif;*.bmp;*.png;*.webp;*.tif;*.tiff|"
                   "JPG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|BMP Files (*.bmp)|*.bmp|"
                   "All Files (*.*)|*.*|");

CoverBox::CoverBox(QWidget *parent) : QWidget(parent)
{
    setToolTip("Load: Left-Click  |  Clear: Right-Click");
    setAccessibleDescription("Empty");
    // Tab only: a click keeps the focus where it was, as before.
    setFocusPolicy(Qt::TabFocus);
}

QRect CoverBox::pictureArea() const
{
    // In device pixels, so that frame and picture meet without a seam at any scale.
    const int line = linePixels(devicePixelRatioF());
    return devicePixelRect(this).adjusted(line, line, -line, -line);
}

QSize CoverBox::pictureSize() const
{
    return pictureArea().size();
}

void CoverBox::setPicture(const QImage &decoded)
{
    shown_ = decoded.scaled(pictureSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    setAccessibleDescription("Holds a picture");
    update();
}

void CoverBox::clear()
{
    shown_ = QImage();
    setAccessibleDescription("Empty");
    update();
}

void CoverBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    const QRect inside = pictureArea();
    if (!shown_.isNull())
        painter.drawImage(inside, shown_);
    const int line = linePixels(ratio);
    fillFrame(painter, devicePixelRect(this), line, Qt::black);
    if (hasFocus())
        drawFocusFrame(painter, inside.adjusted(line, line, -line, -line));
}

void CoverBox::mousePressEvent(QMouseEvent *event)
{
    // Qt's button values are the classic codes for the three main buttons.
    emit pressed(int(event->button()));
}

void CoverBox::keyPressEvent(QKeyEvent *event)
{
    if (handlePressKey(event))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

CoverSlot::CoverSlot(QWidget *window, Services services, const char *boxName, TwipRect box,
                     const char *captionName, TwipRect captionBox, const QString &caption)
    : QObject(window), window_(window), services_(services)
{
    addLabel(window, captionName, captionBox, caption, 8.25, Qt::AlignHCenter | Qt::AlignTop);
    box_ = new CoverBox(window);
    box_->setObjectName(boxName);
    box_->setGeometry(twips::rect(box));
    connect(box_, &CoverBox::pressed, this, &CoverSlot::onPress);
}

void CoverSlot::onPress(int buttonCode)
{
    services_.dialogResult.clear();
    if (buttonCode == 1)
        load();
    else if (buttonCode == 2)
        clearAfterAsking();
}

void CoverSlot::load()
{
    CommonDialog &dialog = services_.commonDialog;
    dialog.setFilter(FileFilter);
    dialog.setFlags(HideReadOnly);
    dialog.showOpen(window_);
    takeKeyboardBack(window_);
    const QString chosen = dialog.fileName();
    if (chosen.isEmpty())
        return; // cancelled
    // Emptied before anything can fail: an empty name is how the next opening
    // tells a cancel.
    dialog.setFileName(QString());

    // Off the user-interface thread: a large photo takes a while to read and
    // check whole, even when decoded at the small size the box shows. Formats
    // decoded only whole are brought to the box's size there too.
    PictureDecoder &decoder = services_.pictureDecoder;
    LoadedPicture loaded = awaitOffUiThread([&decoder, chosen, target = box_->pictureSize()] {
        LoadedPicture picture = decoder.load(chosen, target);
        QImage &image = picture.decoded.image;
        if (picture.decoded.ok() && image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return picture;
    });
    if (!loaded.decoded.ok()) {
        showFailure(window_, *loaded.decoded.failure);
        return;
    }
    bytes_ = std::move(loaded.bytes);
    box_->setPicture(loaded.decoded.image);
    path_ = chosen;
}

void CoverSlot::clearAfterAsking()
{
    if (path_.isEmpty())
        return;
    ClearDialog(window_, services_.dialogResult).exec();
    if (services_.dialogResult == QLatin1String("False"))
        return;
    bytes_.clear();
    box_->clear();
    path_.clear();
}

} // namespace quillane
