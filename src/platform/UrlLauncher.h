// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillane {

// Hands an address to the desktop's standard opener (browser, mail program).
class UrlLauncher {
public:
    virtual ~UrlLauncher() = default;

    // The address is taken as the user would type it: one without a scheme
    // is resolved as a web address. Whether the launch worked is not reported.
    virtual void open(const QString &address) = 0;
};

} // namespace quillane
