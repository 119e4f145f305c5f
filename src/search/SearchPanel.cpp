// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SearchPanel.h"

#include "dialogs/Dialogs.h"
#include "platform/UrlLauncher.h"
#include "settings/Settings.h"
#include "ui/Chrome.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QUrl>

namespace quillane {

namespace {

const QColor CreditOrange(255, 128, 0);
constexpr qreal StripPoints = 8.25;

QString queryValue(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// The window's grey would show through the boxes; they keep the desktop's own colours.
void useDesktopColours(QWidget *control)
{
    const QPalette desktop = QApplication::palette(control);
    QPalette p = control->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base,
                                     QPalette::Text, QPalette::ButtonText}) {
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, role, desktop.color(group, role));
    }
    control->setPalette(p);
}

} // namespace

const std::array<CoverType, 7> &coverTypes()
{
    static const std::array<CoverType, 7> types{{
        {"audio covers", "audio"},
        {"dvd covers", "dvd"},
        {"dreamcast covers", "dreamcast"},
        {"pc covers", "pc"},
        {"psx covers", "psx"},
        {"psx2 covers", "psx2"},
        {"vcd covers", "vcd"},
    }};
    return types;
}

std::optional<QString> coverGroupFor(const QString &listText)
{
    for (const CoverType &type : coverTypes()) {
        if (type.listText == listText)
            return type.group;
    }
    return std::nullopt;
}

QString archiveSearchAddress(const QString &group, const QString &words)
{
    return "http://" + ArchiveHost + "/search.php3?group=" + queryValue(group) +
           "&terms=" + queryValue(words);
}

SearchPanel::SearchPanel(QWidget &window, Services services)
    : QObject(&window), window_(window), services_(std::move(services)),
      showIcon_(window.findChild<ClickLabel *>("Image3", Qt::FindDirectChildrenOnly)),
      hideIcon_(window.findChild<ClickLabel *>("Image4", Qt::FindDirectChildrenOnly))
{
    Q_ASSERT(showIcon_ && hideIcon_);
    addLabel(&window, "Label7", {120, 4080, 1335, 285}, "Artvault Search", StripPoints);
    ClickLabel *credit =
        addLabel(&window, "Label9", {1560, 4080, 2535, 285}, "| powered by " + ArchiveHost + " |",
                 StripPoints, Qt::AlignHCenter | Qt::AlignTop);
    credit->setTextFormat(Qt::PlainText);
    credit->setTextColor(CreditOrange);
    // Only a hint where the results come from: the label is not a link.
    credit->setToolTip("http://" + ArchiveHost + "/");
    addLabel(&window, "Label8", {4200, 4080, 1335, 285}, "CoverType", StripPoints);

    words_ = new QLineEdit(&window);
    words_->setObjectName("Text4");
    words_->setAccessibleName("Artvault Search");
    words_->setGeometry(twips::rect({120, 4320, 3975, 330}));
    words_->setFont(arialFont(StripPoints));
    useDesktopColours(words_);

    coverType_ = new QComboBox(&window);
    coverType_->setObjectName("Combo1");
    coverType_->setAccessibleName("CoverType");
    coverType_->setGeometry(twips::rect({4200, 4320, 1455, 330}));
    coverType_->setFont(arialFont(StripPoints));
    useDesktopColours(coverType_);
    coverType_->setEditable(false);
    for (const CoverType &type : coverTypes())
        coverType_->addItem(type.listText);
    coverType_->setCurrentIndex(-1);

    // Activation comes from the user only, by mouse or keyboard.
    connect(coverType_, &QComboBox::textActivated, this, &SearchPanel::pickCoverType);
    // The line edit still handles the key itself and keeps its text.
    connect(words_, &QLineEdit::returnPressed, this, &SearchPanel::search);
}

void SearchPanel::open()
{
    showIcon_->hide();
    hideIcon_->show();
    window_.setFixedHeight(twips::toPixels(OpenFormHeight));
    saveHeight(OpenFormHeight);
}

void SearchPanel::close()
{
    hideIcon_->hide();
    showIcon_->show();
    window_.setFixedHeight(twips::toPixels(ClosedFormHeight));
    saveHeight(ClosedFormHeight);
}

void SearchPanel::saveHeight(int height)
{
    Settings &settings = services_.settings;
    if (MaybeFailure failure = settings.save(keys::FormHeight, QString::number(height))) {
        // Back to the state the next start will show.
        services_.applyFormHeight(settings.get(keys::FormHeight));
        showFailure(&window_, *failure);
    }
}

void SearchPanel::pickCoverType(const QString &listText)
{
    if (const std::optional<QString> group = coverGroupFor(listText))
        coverGroup_ = *group;
}

void SearchPanel::search()
{
    const QString words = words_->text();
    if (words.isEmpty() || coverGroup_.isEmpty())
        return;
    services_.urlLauncher.open(archiveSearchAddress(coverGroup_, words));
}

} // namespace quillane
