// CContact: one mail user of the personal address book as the contacts collection lists it
// (interface IContact): fourteen read-only texts and the entry id that addresses it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <winpal/types.h>

#include <olectl/object.h>

// The fields, in the order of the interface's DISPIDs (Name is 1).
enum ContactField {
    kName,
    kEmail,
    kBusinessPhone,
    kHomePhone,
    kHomeFax,
    kBusinessFax,
    kPager,
    kMobile,
    kPersonalWebPage,
    kJobTitle,
    kDepartment,
    kOffice,
    kCompanyName,
    kBusinessWebPage,
    kContactFieldCount
};

struct ContactRecord {
    std::array<std::string, kContactFieldCount> fields;
    // The contact's entry id. The record keeps its own copy, so that it outlives the connection
    // to the address book that it was read through (which every Refresh replaces).
    std::vector<BYTE> entryId;
};

class CContact : public olectl::CCmdTarget {
  public:
    explicit CContact(ContactRecord record) : record_(std::move(record)) {}

    template <ContactField F>
    std::string Get() {
        return record_.fields[F];
    }

    const ContactRecord& Record() const { return record_; }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    ContactRecord record_;
};
