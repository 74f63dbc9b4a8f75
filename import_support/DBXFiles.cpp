#include "import_support/DBXFiles.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include <winpal/kernel.h>

#include "import_support/ModRegistry.h"
#include "import_support/Paths.h"
#include "import_support/VbText.h"

namespace {

const QString kIdentities = QStringLiteral("HKEY_CURRENT_USER\\Identities");
const QString kOutlookExpress = QStringLiteral("Software\\Microsoft\\Outlook Express");
const QString kStoreRoot = QStringLiteral("Store Root");
const QString kUserProfileVariable = QStringLiteral("%UserProfile%");
constexpr DWORD kExpansionBufferChars = 255;

// The profile folder, as the system expands "%UserProfile%".
QString UserProfileFolder() {
    std::string variable = vb::ToAnsi(kUserProfileVariable);
    std::vector<char> buffer(kExpansionBufferChars);
    DWORD needed =
        ExpandEnvironmentStringsA(variable.c_str(), buffer.data(), kExpansionBufferChars);
    if (needed > kExpansionBufferChars) {
        // A profile folder longer than the usual buffer: ask again with the size it needs.
        buffer.resize(needed);
        needed = ExpandEnvironmentStringsA(variable.c_str(), buffer.data(), needed);
    }
    if (needed == 0)
        return kUserProfileVariable;
    return vb::FromAnsi(std::string(buffer.data(), needed - 1));
}

}  // namespace

StoreFolderList DBXFiles::GetStoreFolder() const {
    // The identity keys, skipping names that are blank.
    QStringList identityKeys;
    for (const QString& name : ModRegistry::EnumSubkeys(kIdentities, desktop_)) {
        if (!vb::IsBlank(name))
            identityKeys.append(kIdentities + u'\\' + name + u'\\' + kOutlookExpress);
    }

    // The store root of the first key below each identity's Outlook Express key. An identity
    // without that key or without a store root is skipped.
    StoreFolderList folders;
    for (const QString& key : identityKeys) {
        KeyedCollection<QString> versions = ModRegistry::EnumSubkeys(key, desktop_);
        if (versions.Count() == 0)
            continue;
        KeyedCollection<QVariant> values =
            ModRegistry::EnumValues(key + u'\\' + versions.Item(1), desktop_);
        const QVariant* root = values.Find(kStoreRoot);
        if (!root)
            continue;
        folders.append(root->toString());
    }

    if (!folders.isEmpty()) {
        QString profile = UserProfileFolder();
        for (QString& folder : folders)
            folder.replace(kUserProfileVariable, profile, Qt::CaseSensitive);
    }
    folders.append(QString());
    return folders;
}

void DBXFiles::GetDBXFilesInPath(const QString& strPath, StoreFolderList& files) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(paths::ToFs(strPath), ec);
    if (ec)
        return;
    StoreFolderList found;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        QString name = paths::FromFs(it->path().filename());
        bool ordinaryFile = it->is_regular_file(ec) && !name.startsWith(u'.');
        if (!ordinaryFile || !name.endsWith(QLatin1String(".dbx"), Qt::CaseInsensitive))
            continue;
        if (IsSystemMailbox(name))
            continue;
        found.append(strPath + name);
    }
    if (found.isEmpty())
        return;
    found.append(QString());
    files = found;
}

bool DBXFiles::IsSystemMailbox(const QString& name) {
    QString lower = name.toLower();
    return lower == QLatin1String("folders.dbx") || lower == QLatin1String("pop3uidl.dbx");
}
