// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintSettingsDialog.h"

#include "base/ColorValue.h"
#include "dialogs/Dialogs.h"
#include "platform/CommonDialog.h"
#include "settings/Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace quillane {

const QColor PrintSettingsDialog::GuidesOffGrey(192, 192, 192);

namespace {

const QColor SwatchStartColour(224, 224, 224);
const QColor DisabledText(128, 128, 128);

// The option buttons by index, and the "Border" word each stands for.
struct BorderOption {
    int index;
    const char *word;
    int left;
};
// Left to right on the window, which is also the order "Border" is tested in.
constexpr BorderOption BorderOptions[] = {{2, "Both", 480}, {0, "Front", 1320}, {1, "Back", 2160}};

} // namespace

PrintSettingsDialog::PrintSettingsDialog(QWidget *owner, Settings &settings,
                                         CommonDialog &commonDialog)
    : ChromeDialog(owner, "Form8", QSize(3615, 2055), "Print Settings", 3255), settings_(settings),
      commonDialog_(commonDialog)
{
    addInertCloseGlyph();

    guides_ = addToggle<QCheckBox>(this, "Check1", {120, 360, 3485, 225},
                                   "Print guide lines for back cover folds");
    setBackground(guides_, Qt::white);
    guides_->setStyleSheet(guides_->styleSheet() + "; background-color: white");

    colourCaption_ = addLabel(this, "Label1", {480, 600, 1095, 255}, "Line Color: ", 9);
    QPalette captionColours = colourCaption_->palette();
    captionColours.setColor(QPalette::WindowText, Qt::black);
    captionColours.setColor(QPalette::Disabled, QPalette::WindowText, DisabledText);
    colourCaption_->setPalette(captionColours);
    colourCaption_->setEnabled(false);

    swatch_ = addLabel(this, "Label3", {1440, 600, 375, 255}, QString(), 9);
    // Space or Enter opens the colour chooser as a click does.
    swatch_->setPressable();
    swatch_->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch_->setLineWidth(1);
    swatch_->setAutoFillBackground(true);
    swatch_->setToolTip("Click to change");
    swatch_->setEnabled(false);
    setSwatchColour(SwatchStartColour);

    borders_ =
        addToggle<QCheckBox>(this, "Check2", {120, 960, 2655, 255}, "Print border around covers");

    borderChoice_ = new QButtonGroup(this);
    for (const BorderOption &option : BorderOptions) {
        const QByteArray name = "Option1(" + QByteArray::number(option.index) + ')';
        auto *button = addToggle<QRadioButton>(
            this, name.constData(), {option.left, 1230, 735, 225}, option.word, option.word);
        button->setEnabled(false);
        borderChoice_->addButton(button, option.index);
        connect(button, &QRadioButton::clicked, this, &PrintSettingsDialog::borderChosen);
    }
    borderChoice_->button(2)->setChecked(true);

    QPushButton *ok = addDialogButton(this, "Command1", {1200, 1560, 1215, 375}, "&Ok");
    connect(ok, &QPushButton::clicked, this, [this] { finish(); });

    // clicked() comes from the user only: the load below saves nothing.
    connect(guides_, &QCheckBox::clicked, this, &PrintSettingsDialog::guidesClicked);
    connect(borders_, &QCheckBox::clicked, this, &PrintSettingsDialog::bordersClicked);
    connect(swatch_, &ClickLabel::clicked, this, &PrintSettingsDialog::chooseColour);

    load();
    ok->setFocus();
}

void PrintSettingsDialog::load()
{
    const bool guides = settings_.isOn(keys::GuideLine);
    guides_->setChecked(guides);
    colourCaption_->setEnabled(guides);
    swatch_->setEnabled(guides);
    const bool borders = settings_.isOn(keys::BorderLine);
    borders_->setChecked(borders);
    for (QAbstractButton *option : borderChoice_->buttons())
        option->setEnabled(borders);
    const QString border = settings_.get(keys::Border);
    // Any other word leaves "Both" selected.
    borderChoice_->button(2)->setChecked(true);
    for (const BorderOption &option : BorderOptions) {
        if (border == QLatin1String(option.word)) {
            borderChoice_->button(option.index)->setChecked(true);
            break;
        }
    }
    setSwatchColour(settings_.isOn(keys::GuideLine) ? storedLineColour() : GuidesOffGrey);
}

void PrintSettingsDialog::save(const QString &key, const QString &value)
{
    if (MaybeFailure failure = settings_.save(key, value)) {
        // The controls show what is stored, not the choice that was lost.
        load();
        showFailure(this, *failure);
    }
}

QColor PrintSettingsDialog::storedLineColour() const
{
    const std::optional<qint32> value = parseColorValue(settings_.get(keys::LineColor));
    // Grey, but still clickable: choosing a colour repairs the setting.
    return value ? fromColorValue(quint32(*value)) : GuidesOffGrey;
}

void PrintSettingsDialog::guidesClicked(bool on)
{
    colourCaption_->setEnabled(on);
    swatch_->setEnabled(on);
    // "LineColor" stays as it is, for when the guides come back.
    setSwatchColour(on ? storedLineColour() : GuidesOffGrey);
    save(keys::GuideLine, on ? "True" : "False");
}

void PrintSettingsDialog::bordersClicked(bool on)
{
    for (int index : {0, 1, 2})
        borderChoice_->button(index)->setEnabled(on);
    // The chosen cover and "Border" stay as they are.
    save(keys::BorderLine, on ? "True" : "False");
}

void PrintSettingsDialog::borderChosen()
{
    for (const BorderOption &option : BorderOptions) {
        if (borderChoice_->button(option.index)->isChecked()) {
            save(keys::Border, option.word);
            return;
        }
    }
}

void PrintSettingsDialog::chooseColour()
{
    const bool chosen = commonDialog_.showColor(this);
    takeKeyboardBack(this);
    if (!chosen)
        return;
    const quint32 colour = commonDialog_.color();
    setSwatchColour(fromColorValue(colour));
    save(keys::LineColor, QString::number(qint32(colour)));
}

QColor PrintSettingsDialog::swatchColour() const
{
    return swatch_->palette().color(QPalette::Window);
}

void PrintSettingsDialog::setSwatchColour(const QColor &colour)
{
    // The same colour whether the swatch is enabled or not.
    QPalette p = swatch_->palette();
    p.setColor(QPalette::All, QPalette::Window, colour);
    swatch_->setPalette(p);
    // A screen reader cannot see the swatch: its name says the colour.
    swatch_->setAccessibleName(QString("Line Color: red %1, green %2, blue %3")
                                   .arg(colour.red())
                                   .arg(colour.green())
                                   .arg(colour.blue()));
}

} // namespace quillane
