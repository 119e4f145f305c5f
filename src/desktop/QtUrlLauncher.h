// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UrlLauncher.h"

namespace quillane {

class QtUrlLauncher final : public UrlLauncher {
public:
    void open(const QString &address) override;
};

} // namespace quillane
