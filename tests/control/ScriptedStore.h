// A scripted stand-in for the mail store, put in place of CLSID_StoreNamespace with
// CoRegisterClassObject: a folder tree and messages set up by the test, answers the test can
// override per call, and a record of every call with its arguments.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <oestore/msoeapi.h>
#include <winpal/winpal.h>

#include "ScriptedMime.h"

namespace testsupport {

struct ScriptedMessage {
    MESSAGEID id = 0;
    DWORD flags = 0;
    std::string from;
    std::string to;
    std::string subject;
    FILETIME received{};
    FILETIME sent{};
    DWORD size = 0;
    // What OpenMessage gives: the stored source as a stream, the bodies as a MIME message.
    std::string source;
    std::vector<ScriptedBody> bodies;
};

// A message with an id, flags and a subject, and nothing else.
inline ScriptedMessage Mail(MESSAGEID id, DWORD flags = 0, std::string subject = {}) {
    ScriptedMessage message;
    message.id = id;
    message.flags = flags;
    message.subject = std::move(subject);
    return message;
}

class ScriptedStore {
  public:
    ScriptedStore();
    ~ScriptedStore();
    ScriptedStore(const ScriptedStore&) = delete;
    ScriptedStore& operator=(const ScriptedStore&) = delete;

    void AddFolder(STOREFOLDERID parent, STOREFOLDERID id, const std::string& name,
                   DWORD messages = 0);
    void AddMessage(STOREFOLDERID folder, const ScriptedMessage& message);

    // ---- the script
    bool refuseCreate = false;  // the class object fails to make a namespace
    HRESULT initializeResult = S_OK;
    // A message stream's reads fail once this many bytes of it were read.
    ULONG readFailsAfter = ~0u;
    // Answers by method name ("CreateFolder", "DeleteFolder", "OpenFolder", "CreateStream",
    // "Write", "CommitStream", "GetMessageProps", "CopyMoveMessages", "GetNextMessage",
    // "OpenMessage", "DeleteMessages", "MarkMessagesAsRead", "GetAttachments", "SaveToFile",
    // ...); a method without an entry succeeds with S_OK, except MarkMessagesAsRead, which
    // answers S_FALSE when the message's read state does not change.
    std::map<std::string, HRESULT> answers;
    // Parents whose GetFirstSubFolder answers S_OK with a zero handle.
    std::set<STOREFOLDERID> zeroHandleParents;

    // ---- what happened
    // One entry per call, "Method(arguments)"; folder calls start with the folder's id,
    // "[7] GetMessageProps(3, 1)"; handles read h1, h2, ... in the order they were made. A
    // message stream's reads are listed as "Read(asked) got".
    std::vector<std::string> calls;
    // The bytes written to the last stream that was committed.
    std::string committed;
    // Namespaces, folders and streams alive, open enumeration handles, message records not
    // given back with FreeMessageProps.
    int liveObjects = 0;
    int openHandles = 0;
    int unfreedProps = 0;
    winpal::ComPtr<IStream> lastStream;  // the store's own reference to its last stream

    HRESULT Answer(const std::string& method) const;
    std::string CallsText() const;

    struct Folder {
        STOREFOLDERID id;
        std::string name;
        DWORD messages;
        std::vector<STOREFOLDERID> children;
        std::vector<ScriptedMessage> mail;
    };
    std::map<STOREFOLDERID, Folder> folders;
    // Enumeration handles: the remaining entries of each walk.
    std::map<int, std::vector<STOREFOLDERID>> folderWalks;
    std::map<int, std::vector<ScriptedMessage>> messageWalks;
    int nextHandle = 1;

  private:
    DWORD cookie_ = 0;
    IClassFactory* factory_ = nullptr;
};

}  // namespace testsupport
