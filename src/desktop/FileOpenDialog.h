// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace quillane {

// The file-open dialog: the chosen file's full path as the file system's
// bytes (fileNames::toNative gives them back), or empty when cancelled.
// nameFilters as QFileDialog takes them, separated by ";;".
QString chooseFileToOpen(QWidget *parent, const QString &nameFilters);

} // namespace quillane
