#include "import_app/CommonDialog.h"

#include <QFileInfo>
#include <QStringList>

#include "import_support/Desktop.h"
#include "import_support/RuntimeError.h"

void CommonDialog::ShowOpen() {
    Files.clear();
    QStringList chosen = desktop_.ChooseFilesToOpen(Filter);
    if (chosen.isEmpty())
        return;

    QStringList files;
    qsizetype needed = 0;
    filesThatFit_ = 0;
    if (chosen.size() == 1 || !(Flags & cdl::cdlOFNAllowMultiselect)) {
        files.append(chosen.first());
        needed = chosen.first().size() + 1;
        filesThatFit_ = needed <= MaxFileSize ? 1 : 0;
    } else {
        QString folder = QFileInfo(chosen.first()).absolutePath();
        needed = folder.size() + 2;  // the list ends in two NULs
        for (const QString& file : chosen) {
            QString name = QFileInfo(file).fileName();
            files.append(folder + u'/' + name);
            needed += name.size() + 1;
            if (needed <= MaxFileSize)
                ++filesThatFit_;
        }
    }
    if (needed > MaxFileSize)
        throw vb::RuntimeError(vb::kBufferTooSmall);
    Files = files;
}
