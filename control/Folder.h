// CFolder: one folder of the store as the folders collection lists it (interface IFolder).
#pragma once

#include <string>

#include <oestore/msoeapi.h>

#include <olectl/object.h>

class CFolder : public olectl::CCmdTarget {
  public:
    CFolder(std::string name, STOREFOLDERID id, DWORD messageCount, DWORD subFolderCount)
        : name_(std::move(name)),
          id_(id),
          messageCount_(messageCount),
          subFolderCount_(subFolderCount) {}

    std::string GetName() const { return name_; }
    const std::string& Name() const { return name_; }
    STOREFOLDERID Id() const { return id_; }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    std::string name_;
    STOREFOLDERID id_;
    // Kept: the documented folder record and AddFolder carry both counts, taken when the list
    // was built; no member exposes them.
    DWORD messageCount_;
    DWORD subFolderCount_;
};
