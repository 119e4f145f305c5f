// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HelpViewer.h"

#include <QPointer>

class QTextBrowser;

namespace quillane {

// Shows the HTML help file in a window of its own. The window outlives the
// call and is reused by the next one.
class QtHelpViewer final : public HelpViewer {
public:
    QtHelpViewer() = default;
    ~QtHelpViewer() override;
    QtHelpViewer(const QtHelpViewer &) = delete;
    QtHelpViewer &operator=(const QtHelpViewer &) = delete;

    void show(const QString &helpFile) override;

    // The viewer window, or null before the first show.
    QTextBrowser *window() const;

private:
    QPointer<QTextBrowser> window_;
};

} // namespace quillane
