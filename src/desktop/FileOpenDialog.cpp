// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/FileOpenDialog.h"

#include "base/FileNames.h"

#include <QFileDialog>

#include <unistd.h>

namespace quillane {

namespace {

// Qt's own dialog lists a name with bytes that are not UTF-8 with
// replacement characters, and then refuses it as a file that does not
// exist: such a name is found on disk first.
class OpenDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QString chosen;

    void accept() override
    {
        const QList<QUrl> urls = selectedUrls();
        chosen = urls.size() == 1 ? fileNames::onDisk(fileNames::fromUrl(urls.first())) : QString();
        if (!chosen.isEmpty() && chosen != urls.first().toLocalFile() &&
            ::access(fileNames::toNative(chosen).constData(), F_OK) == 0) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

QString chooseFileToOpen(QWidget *parent, const QString &nameFilters)
{
    OpenDialog dialog(parent, QString(), QString(), nameFilters);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosen.isEmpty() ? dialog.selectedFiles().value(0) : dialog.chosen;
}

} // namespace quillane
