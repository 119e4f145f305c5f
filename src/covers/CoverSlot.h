// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Pressable.h"
#include "ui/Twips.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace quillane {

class CommonDialog;
class PictureDecoder;

// The box that shows a slot's picture stretched over it, above the slot's
// caption, which shows through while the box is empty. From the keyboard,
// Space or Enter loads as a left click does, the Menu key or Shift+F10
// clears as a right click does.
class CoverBox final : public QWidget, public Pressable {
    Q_OBJECT
public:
    explicit CoverBox(QWidget *parent);

    QAccessible::Role pressRole() const override { return QAccessible::PushButton; }
    void press() override { emit pressed(1); }
    bool hasMenu() const override { return true; }
    void showMenu() override { emit pressed(2); }

    // The size in device pixels that a picture is shown at, inside the frame.
    QSize pictureSize() const;
    // The picture as shown: scaled once to the box, so that no repaint ever
    // resamples it.
    void setPicture(const QImage &decoded);
    void clear();
    const QImage &shown() const { return shown_; }

signals:
    // The mouse button as its classic code: 1 left, 2 right, 4 middle.
    void pressed(int buttonCode);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRect pictureArea() const;

    QImage shown_;
};

// One cover slot: the bytes of the file it was loaded from, its path, and a
// copy of the picture decoded at the size shown. A slot is filled exactly
// when its path is not empty.
class CoverSlot final : public QObject {
    Q_OBJECT
public:
    struct Services {
        CommonDialog &commonDialog;
        PictureDecoder &pictureDecoder;
        QString &dialogResult;
    };

    // Builds the caption and the box on window, the box above the caption.
    CoverSlot(QWidget *window, Services services, const char *boxName, TwipRect box,
              const char *captionName, TwipRect captionBox, const QString &caption);

    QString path() const { return path_; }
    bool isFilled() const { return !path_.isEmpty(); }
    // The file's bytes as they were read when the slot was filled: what the
    // viewer and the printer decode, whatever became of the file since.
    const QByteArray &bytes() const { return bytes_; }
    CoverBox *box() const { return box_; }

    static const QString FileFilter;
    static constexpr qint32 HideReadOnly = 4;

private:
    void onPress(int buttonCode);
    void load();
    void clearAfterAsking();

    QWidget *window_;
    Services services_;
    CoverBox *box_;
    QByteArray bytes_;
    QString path_;
};

} // namespace quillane
