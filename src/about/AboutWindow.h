// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ChromeDialog.h"

#include <QString>

namespace quillane {

class UrlLauncher;

inline const QString AuthorMail = QStringLiteral("quillane@quillane.example");
// Launched as shown: the launcher takes an address without a scheme as a web address.
inline const QString HomePageLink = QStringLiteral("www.quillane.example/quillane/");

// The About window "Form3": picture, version and the mail and home page links,
// which turn blue under the pointer until it next crosses the window's own
// surface. Created for one showing, so the links start black every time.
class AboutWindow final : public ChromeDialog {
    Q_OBJECT
public:
    AboutWindow(QWidget *owner, UrlLauncher &launcher);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    ClickLabel *mailLink_ = nullptr;
    ClickLabel *homeLink_ = nullptr;
};

} // namespace quillane
