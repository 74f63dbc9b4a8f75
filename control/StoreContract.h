// What Quillbox relies on of the Outlook Express store interface: how the namespace is created
// and initialised, the records it fills (each carrying its size), and how the control's folder
// slots are opened.
#pragma once

#include <oestore/msoeapi.h>
#include <winpal/winpal.h>

static_assert(sizeof(FOLDERPROPS) == 280, "FOLDERPROPS is 280 bytes");

// A folder-properties record ready for GetFirstSubFolder.
inline FOLDERPROPS EmptyFolderProps() {
    FOLDERPROPS props{};
    props.cbSize = sizeof(FOLDERPROPS);
    return props;
}

// A message-properties record ready for the message calls. Its size is that of this build's
// record (68 bytes on 32-bit Windows, more where pointers are wider).
inline MESSAGEPROPS EmptyMessageProps() {
    MESSAGEPROPS props{};
    props.cbSize = sizeof(MESSAGEPROPS);
    return props;
}

// A list holding one message id.
class OneMessageList {
  public:
    explicit OneMessageList(MESSAGEID id) : id_(id), list_{sizeof(MESSAGEIDLIST), 1, &id_} {}
    OneMessageList(const OneMessageList&) = delete;
    OneMessageList& operator=(const OneMessageList&) = delete;
    MESSAGEIDLIST* Get() { return &list_; }

  private:
    MESSAGEID id_;
    MESSAGEIDLIST list_;
};

// The folder name of a record, up to its terminator or the end of the field.
std::string FolderName(const FOLDERPROPS& props);

// Creates the store namespace (server context CLSCTX_SERVER) and initialises it with no window
// and 0; null when either step fails.
winpal::ComPtr<IStoreNamespace> OpenStoreNamespace();

// Opens `folderId` into a folder slot: the slot is released and cleared first, and stays empty
// when the open fails.
void OpenFolderInto(IStoreNamespace& store, STOREFOLDERID folderId,
                    winpal::ComPtr<IStoreFolder>& slot);
