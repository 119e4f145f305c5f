// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UrlLauncher.h"

#include <QStringList>

namespace quillane {

class FakeUrlLauncher final : public UrlLauncher {
public:
    void open(const QString &address) override { opened << address; }

    QStringList opened;
};

} // namespace quillane
