// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

namespace quillane {

// One of the program's own files: beside the program first (the build tree, a
// copy unpacked anywhere), then in the data folder of its installation. Empty
// when neither has it.
QString findDataFile(const QString &name);

// The program icon from the icon theme folder of its installation, or the
// built-in one; file receives the file it came from.
QIcon programIcon(QString *file = nullptr);

} // namespace quillane
