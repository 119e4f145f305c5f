// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/AboutWindow.h"

#include "platform/UrlLauncher.h"

#include <QMouseEvent>
#include <QPixmap>

namespace quillane {

namespace {

const QColor LinkHoverBlue(0, 0, 255);

// A link takes the pointer's moves itself: passed on, they would reach the
// window's surface, which resets the links.
class LinkLabel final : public ClickLabel {
public:
    using ClickLabel::ClickLabel;

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        ClickLabel::mouseMoveEvent(event);
        event->accept();
    }
};

ClickLabel *addLink(QWidget *parent, const char *name, TwipRect r, const QString &address,
                    Qt::Alignment alignment, const QString &tooltip)
{
    auto *link = new LinkLabel(address, parent);
    link->setObjectName(name);
    link->setGeometry(twips::rect(r));
    link->setFont(arialFont(8.25, false, true));
    link->setTextFormat(Qt::PlainText);
    link->setAlignment(alignment | Qt::AlignTop);
    link->setTextColor(Qt::black);
    link->setToolTip(tooltip);
    link->setMouseTracking(true);
    link->setPressable(QAccessible::Link);
    return link;
}

} // namespace

AboutWindow::AboutWindow(QWidget *owner, UrlLauncher &launcher)
    : ChromeDialog(owner, "Form3", {4215, 3015}, "About")
{
    setBackground(this, Qt::white);
    // The band and the body are drawn only: the pointer over them is over the window.
    titleBand()->setAttribute(Qt::WA_TransparentForMouseEvents);
    findChild<FilledRect *>("Shape2")->setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(true);

    ClickLabel *close = addLabel(this, "Label5", {3960, 0, 255, 255}, "x", 9, Qt::AlignCenter);
    close->setToolTip("Close");
    close->setAccessibleName("Close");
    close->setPressable();
    connect(close, &ClickLabel::clicked, this, [this] { finish(); });
    // The window's one way out takes the focus; Tab runs on to the two links.
    close->setFocus();

    auto *picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setAccessibleName("Quillane");
    picture->setGeometry(twips::rect({120, 240, 4005, 1800}));
    // QPixmap's loader caches by file name: a second opening decodes nothing.
    picture->setPixmap(sharpPixmap(":/about.jpg"));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    addLabel(this, "Label4", {3960, 1680, 225, 210}, "2.1", 8.25);
    addLine(this, "Line3", {0, 1920}, {4200, 1920});

    addLabel(this, "Label14", {120, 2160, 1815, 255}, "Email Author", 9);
    mailLink_ = addLink(this, "Label1", {1200, 2160, 2895, 255}, AuthorMail, Qt::AlignRight,
                        "Email Author");
    addLine(this, "Line2", {120, 2400}, {2280, 2400});

    addLabel(this, "Label2", {2760, 2640, 1335, 255}, "Visit Homepage", 9, Qt::AlignRight);
    homeLink_ = addLink(this, "Label3", {120, 2640, 2655, 255}, HomePageLink, Qt::AlignLeft,
                        "Visit Homepage");
    addLine(this, "Line1", {2160, 2880}, {4080, 2880});

    connect(mailLink_, &ClickLabel::pointerMoved, this,
            [this] { mailLink_->setTextColor(LinkHoverBlue); });
    connect(homeLink_, &ClickLabel::pointerMoved, this,
            [this] { homeLink_->setTextColor(LinkHoverBlue); });
    connect(mailLink_, &ClickLabel::clicked, this,
            [this, &launcher] { launcher.open("mailto:" + mailLink_->text()); });
    connect(homeLink_, &ClickLabel::clicked, this,
            [this, &launcher] { launcher.open(homeLink_->text()); });
}

void AboutWindow::mouseMoveEvent(QMouseEvent *event)
{
    mailLink_->setTextColor(Qt::black);
    homeLink_->setTextColor(Qt::black);
    event->accept();
}

} // namespace quillane
