#include "import_app/CommonDialog.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "import_support/Desktop.h"
#include "import_support/RuntimeError.h"

void CommonDialog::ShowOpen() {
    FileName.clear();
    QStringList chosen = desktop_.ChooseFilesToOpen(Filter);
    if (chosen.isEmpty())
        return;

    QString text;
    qsizetype needed = 0;
    filesThatFit_ = 0;
    if (chosen.size() == 1 || !(Flags & cdl::cdlOFNAllowMultiselect)) {
        text = chosen.first();
        needed = text.size() + 1;
        filesThatFit_ = needed <= MaxFileSize ? 1 : 0;
    } else {
        // The files' folder and their names; for files from several folders (recent files,
        // search results) an empty folder and their full paths.
        const QString folder = QFileInfo(chosen.first()).absolutePath();
        const bool oneFolder = std::all_of(chosen.begin(), chosen.end(), [&](const QString& file) {
            return QFileInfo(file).absolutePath() == folder;
        });
        text = oneFolder ? folder : QString();
        needed = text.size() + 2;  // the list ends in two NULs
        for (const QString& file : chosen) {
            QString name =
                oneFolder ? QFileInfo(file).fileName() : QFileInfo(file).absoluteFilePath();
            text += QChar(u'\0') + name;
            needed += name.size() + 1;
            if (needed <= MaxFileSize)
                ++filesThatFit_;
        }
    }
    if (needed > MaxFileSize)
        throw vb::RuntimeError(vb::kBufferTooSmall);
    FileName = text;
}
