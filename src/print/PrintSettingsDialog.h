// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ChromeDialog.h"

class QButtonGroup;
class QCheckBox;

namespace quillane {

class CommonDialog;
class Settings;

// "Print Settings": fold guide lines and their colour, borders and the
// covers they go around. Every click is stored at once, so "&Ok" only
// closes the window and the next print uses what was chosen.
class PrintSettingsDialog final : public ChromeDialog {
    Q_OBJECT
public:
    PrintSettingsDialog(QWidget *owner, Settings &settings, CommonDialog &commonDialog);

    // The colour the swatch shows.
    QColor swatchColour() const;

    static const QColor GuidesOffGrey;

private:
    // Sets every control as the stored settings say.
    void load();
    // Stores a value; when that fails, says so and shows what is stored.
    void save(const QString &key, const QString &value);
    void guidesClicked(bool on);
    void bordersClicked(bool on);
    void borderChosen();
    void chooseColour();
    void setSwatchColour(const QColor &colour);
    // The swatch colour for the stored "LineColor"; grey when it is not a number.
    QColor storedLineColour() const;

    Settings &settings_;
    CommonDialog &commonDialog_;
    QCheckBox *guides_ = nullptr;
    QCheckBox *borders_ = nullptr;
    ClickLabel *colourCaption_ = nullptr;
    ClickLabel *swatch_ = nullptr;
    QButtonGroup *borderChoice_ = nullptr;
};

} // namespace quillane
