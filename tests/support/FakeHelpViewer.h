// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HelpViewer.h"

#include <QStringList>

namespace quillane {

class FakeHelpViewer final : public HelpViewer {
public:
    void show(const QString &helpFile) override { shown << helpFile; }

    QStringList shown;
};

} // namespace quillane
