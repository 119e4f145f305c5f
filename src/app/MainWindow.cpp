// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "about/AboutWindow.h"
#include "base/Version.h"
#include "covers/CoverSlot.h"
#include "covers/ImageViewer.h"
#include "dialogs/Dialogs.h"
#include "platform/CommonDialog.h"
#include "platform/Platform.h"
#include "print/PrintJob.h"
#include "print/PrintSettingsDialog.h"
#include "search/SearchPanel.h"
#include "ui/Chrome.h"
#include "ui/DragForm.h"
#include "ui/Twips.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <utility>

namespace quillane {

namespace {

const QColor WindowGrey(192, 192, 192);
constexpr int FormWidth = 5775;
// Opens the help file itself, at its default topic.
constexpr int HelpContents = 9;

QPushButton *addIconButton(QWidget *parent, const char *name, TwipRect r, const char *icon,
                           const QString &tooltip)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    button->setGeometry(twips::rect(r));
    button->setIcon(QIcon(QString(":/") + icon));
    button->setAccessibleName(tooltip);
    button->setIconSize(QSize(32, 32));
    button->setToolTip(tooltip);
    setBackground(button, Qt::white);
    return button;
}

} // namespace

MainWindow::MainWindow(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), platform_(platform),
      settings_(platform.settings)
{
    setObjectName("form1");
    setWindowTitle(QUILLANE_NAME_AND_VERSION);
    setWindowIcon(QIcon(":/quillane.svg"));
    setAccessibleRole(this, QAccessible::Window);
    useOwnColours(this);
    setBackground(this, WindowGrey);

    buildChrome();
    buildToolbar();
    buildSlots();
    buildSearchIcons();
    buildSearchPanel();
    applyTabOrder();
    load();
}

void MainWindow::buildChrome()
{
    // Created first, so that everything else lies on top.
    addShape(this, "Shape2", {0, 240, FormWidth, 4575}, Qt::white);
    titleBand_ = addShape(this, "Shape1", {0, 0, FormWidth, 255}, TitleBandColor, Qt::black);

    ClickLabel *title = addTitle(this, {120, 0, 4815, 255}, QUILLANE_NAME_AND_VERSION);
    // Every mouse button drags.
    connect(title, &ClickLabel::pressed, this,
            [this](Qt::MouseButton, QPoint globalPos) { dragByTitle(globalPos); });

    ClickLabel *about = addLabel(this, "Label5", {5040, 0, 255, 255}, "?", 9, Qt::AlignCenter);
    about->setToolTip("About Quillane");
    about->setAccessibleName("About Quillane");
    about->setPressable();
    connect(about, &ClickLabel::clicked, this, &MainWindow::showAbout);
    ClickLabel *minimise = addLabel(this, "Label4", {5280, 0, 255, 255}, "_", 9, Qt::AlignCenter);
    minimise->setToolTip("Minimize");
    minimise->setAccessibleName("Minimize");
    minimise->setPressable();
    connect(minimise, &ClickLabel::clicked, this, &QWidget::showMinimized);
    ClickLabel *close = addLabel(this, "Label3", {5520, 0, 255, 255}, "x", 9, Qt::AlignCenter);
    close->setToolTip("Close");
    close->setAccessibleName("Close");
    close->setPressable();
    connect(close, &ClickLabel::clicked, this, &MainWindow::askToQuit);

    addLine(this, "Line1", {0, 1080}, {5760, 1080});
    // The separators start on the band's bottom line: beneath the band, they
    // end at that line at every scale instead of poking into the band.
    for (LineWidget *separator : {addLine(this, "Line2", {840, 240}, {840, 1080}),
                                  addLine(this, "Line3", {3240, 240}, {3240, 1080}),
                                  addLine(this, "Line4", {4920, 240}, {4920, 1080})})
        separator->stackUnder(titleBand_);
    addLine(this, "Line5", {5760, 3960}, {0, 3960});
}

void MainWindow::buildToolbar()
{
    QPushButton *exit = addIconButton(this, "Command1", {120, 360, 615, 615}, "exit.svg", "Exit");
    connect(exit, &QPushButton::clicked, this, &MainWindow::askToQuit);
    QPushButton *print =
        addIconButton(this, "Command3", {960, 360, 615, 615}, "print.svg", "Print");
    connect(print, &QPushButton::clicked, this, [this] {
        runPrintJob({this,
                     dialogResult_,
                     printFront_->isChecked(),
                     printBack_->isChecked(),
                     {frontSlot_->bytes(), frontSlot_->path()},
                     {backSlot_->bytes(), backSlot_->path()},
                     settings_,
                     platform_.printer,
                     platform_.pictureDecoder});
    });
    printFront_ = addToggle<QCheckBox>(this, "Check1", {1680, 360, 735, 255}, "Front",
                                       "Print Front", Qt::white);
    printBack_ = addToggle<QCheckBox>(this, "Check2", {1680, 720, 735, 255}, "Back", "Print Back",
                                      Qt::white);
    QPushButton *printSettings =
        addIconButton(this, "Command2", {2520, 360, 615, 615}, "settings.svg", "Print Settings");
    connect(printSettings, &QPushButton::clicked, this,
            [this] { PrintSettingsDialog(this, settings_, platform_.commonDialog).exec(); });
    QPushButton *view =
        addIconButton(this, "Command4", {3360, 360, 615, 615}, "view.svg", "View Image");
    auto *viewFront = addToggle<QRadioButton>(this, "Option1(0)", {4080, 360, 735, 255}, "Front",
                                              "View Front", Qt::white);
    auto *viewBack = addToggle<QRadioButton>(this, "Option1(1)", {4080, 720, 735, 255}, "Back",
                                             "View Back", Qt::white);
    auto *viewChoice = new QButtonGroup(this);
    viewChoice->addButton(viewFront, 0);
    viewChoice->addButton(viewBack, 1);
    viewFront->setChecked(true);
    QPushButton *help = addIconButton(this, "Command5", {5040, 360, 615, 615}, "help.svg", "Help");

    // clicked() comes from the user only: restoring the boxes at start saves nothing.
    connect(printFront_, &QCheckBox::clicked, this,
            [this](bool checked) { savePrintCheck(printFront_, keys::PrintFront, checked); });
    connect(printBack_, &QCheckBox::clicked, this,
            [this](bool checked) { savePrintCheck(printBack_, keys::PrintBack, checked); });
    connect(help, &QPushButton::clicked, this, &MainWindow::openHelp);
    // Only the chosen slot: an empty one shows nothing and the other is not tried.
    connect(view, &QPushButton::clicked, this, [this, viewFront, viewBack] {
        if (viewFront->isChecked())
            viewCover(this, platform_.pictureDecoder, *frontSlot_);
        else if (viewBack->isChecked())
            viewCover(this, platform_.pictureDecoder, *backSlot_);
    });
}

void MainWindow::buildSlots()
{
    const CoverSlot::Services services{platform_.commonDialog, platform_.pictureDecoder,
                                       dialogResult_};
    frontSlot_ = new CoverSlot(this, services, "Image1", {120, 1200, 2535, 2535}, "Label1",
                               {120, 2280, 2535, 255}, "FRONT IMAGE");
    backSlot_ = new CoverSlot(this, services, "Image2", {2760, 1200, 2895, 2535}, "Label2",
                              {2760, 2280, 2895, 255}, "BACK IMAGE");
    frontSlot_->box()->setAccessibleName("Front cover picture");
    backSlot_->box()->setAccessibleName("Back cover picture");
}

void MainWindow::buildSearchIcons()
{
    auto addIcon = [this](const char *name, const char *icon, const QString &tooltip) {
        ClickLabel *image = addLabel(this, name, {5520, 3720, 240, 240}, QString(), 8.25);
        image->setPixmap(sharpPixmap(QString(":/") + icon, QSize(16, 16)));
        image->setToolTip(tooltip);
        image->setAccessibleName(tooltip);
        image->setPressable();
        image->hide();
        return image;
    };
    ClickLabel *show = addIcon("Image3", "search-show.svg", "Show Artvault Search");
    ClickLabel *hide = addIcon("Image4", "search-hide.svg", "Hide Artvault Search");
    // Pressed from the keyboard, the icon hides: the focus goes to its twin.
    for (auto [from, to] : {std::pair(show, hide), std::pair(hide, show)}) {
        connect(from, &ClickLabel::clicked, this, [from, to] {
            if (from->hasFocus())
                QTimer::singleShot(0, to, [to] {
                    if (to->isVisible())
                        to->setFocus(Qt::TabFocusReason);
                });
        });
    }
}

void MainWindow::buildSearchPanel()
{
    searchPanel_ =
        new SearchPanel(*this, {settings_, platform_.urlLauncher,
                                [this](const QString &stored) { applyFormHeight(stored); }});
    connect(findChild<ClickLabel *>("Image3"), &ClickLabel::clicked, searchPanel_,
            &SearchPanel::open);
    connect(findChild<ClickLabel *>("Image4"), &ClickLabel::clicked, searchPanel_,
            &SearchPanel::close);
    for (const char *name : {"Text4", "Combo1"}) {
        auto *control = findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        stripFocus_.emplace_back(control, control->focusPolicy());
    }
}

void MainWindow::applyTabOrder()
{
    // The design's order, then what the keyboard reaches besides: the slots,
    // the strip's icon and the title band's glyphs.
    static const char *const order[] = {"Command5",   "Command1", "Command3",   "Check1", "Check2",
                                        "Command2",   "Command4", "Option1(0)", "Text4",  "Combo1",
                                        "Option1(1)", "Image1",   "Image2",     "Image3", "Image4",
                                        "Label5",     "Label4",   "Label3"};
    QWidget *previous = nullptr;
    for (const char *name : order) {
        auto *widget = findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        if (!widget)
            continue;
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    keepStripFocusInSight();
}

void MainWindow::keepStripFocusInSight()
{
    // The closed strip lies below the window's edge, where a focused control
    // would be out of sight: it leaves the Tab order until the strip opens.
    for (auto [control, policy] : stripFocus_) {
        const bool inSight = control->geometry().bottom() < height();
        if (!inSight && control->hasFocus())
            findChild<QWidget *>("Image3")->setFocus(Qt::OtherFocusReason);
        control->setFocusPolicy(inSight ? policy : Qt::NoFocus);
    }
}

void MainWindow::savePrintCheck(QCheckBox *box, const QString &key, bool checked)
{
    if (MaybeFailure failure = settings_.saveBool(key, checked)) {
        // A choice that was not stored must not look kept.
        box->setChecked(settings_.isOn(key));
        showFailure(this, *failure);
    }
}

void MainWindow::load()
{
    startFailure_ = settings_.seedMissing();
    printFront_->setChecked(settings_.isOn(keys::PrintFront));
    printBack_->setChecked(settings_.isOn(keys::PrintBack));
    applyFormHeight(settings_.get(keys::FormHeight));
    setFixedWidth(twips::toPixels(FormWidth));
}

void MainWindow::applyFormHeight(const QString &stored)
{
    const int height = effectiveFormHeight(stored);
    const bool open = height > ClosedFormHeight;
    findChild<QWidget *>("Image3")->setVisible(!open);
    findChild<QWidget *>("Image4")->setVisible(open);

    // A stored height beyond the screen would put the window's bottom out of reach.
    const QScreen *screen = this->screen();
    const int screenHeight =
        screen ? twips::fromPixels(screen->availableGeometry().height()) : height;
    setFixedHeight(twips::toPixels(qMax(ClosedFormHeight, qMin(height, screenHeight))));
    keepStripFocusInSight();
}

void MainWindow::showCentred()
{
    centreOver(this, nullptr);
    show();
    findChild<QWidget *>("Command5")->setFocus();
    if (startFailure_) {
        QTimer::singleShot(0, this,
                           [this] { showFailure(this, *std::exchange(startFailure_, {})); });
    }
}

void MainWindow::dragByTitle(QPoint pressGlobalPos)
{
    dragWithTitleBand(this, titleBand_, pressGlobalPos);
}

void MainWindow::askToQuit()
{
    if (QuitDialog(this).exec() == QDialog::Accepted)
        emit quitConfirmed();
}

void MainWindow::showAbout()
{
    AboutWindow(this, platform_.urlLauncher).exec();
}

void MainWindow::openHelp()
{
    CommonDialog &dialog = platform_.commonDialog;
    dialog.setHelpCommand(HelpContents);
    // Joined as they stand: a program in the root folder gives "//quilldoc.hlp".
    dialog.setHelpFile(QCoreApplication::applicationDirPath() + "/quilldoc.hlp");
    dialog.showHelp();
}

} // namespace quillane
