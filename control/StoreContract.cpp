#include "control/StoreContract.h"

#include <cstring>

std::string FolderName(const FOLDERPROPS& props) {
    return std::string(props.szName, strnlen(props.szName, sizeof props.szName));
}

winpal::ComPtr<IStoreNamespace> OpenStoreNamespace() {
    winpal::ComPtr<IStoreNamespace> store;
    if (FAILED(CoCreateInstance(CLSID_StoreNamespace, nullptr, CLSCTX_SERVER, IID_IStoreNamespace,
                                store.PutVoid())) ||
        !store) {
        return nullptr;
    }
    if (FAILED(store->Initialize(nullptr, 0)))
        return nullptr;
    return store;
}

void OpenFolderInto(IStoreNamespace& store, STOREFOLDERID folderId,
                    winpal::ComPtr<IStoreFolder>& slot) {
    slot.Reset();
    IStoreFolder* folder = nullptr;
    if (SUCCEEDED(store.OpenFolder(folderId, 0, &folder)))
        slot = winpal::ComPtr<IStoreFolder>::Adopt(folder);
}
