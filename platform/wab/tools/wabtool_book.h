// wabtool's view of the address book: the calls a client makes through WABOpen and the
// address-book interfaces, gathered into the few operations the commands need.
#pragma once

#include <string>
#include <vector>

#include <wab/wabapi.h>
#include <winpal/winpal.h>

#include "vcard/contact_card.h"

namespace wabtool {

struct Listed {
    std::string entryId;  // bytes
    std::string name;     // UTF-8
    std::string email;
    ULONG objectType = MAPI_MAILUSER;
};

class Book {
  public:
    // Opens the address book of the prefix, or the file `file` when it is not empty.
    HRESULT Open(const std::string& file);
    ~Book();

    // Every entry in the contents table's order.
    HRESULT List(std::vector<Listed>* entries);
    // Every property of the entry that a contact can carry.
    HRESULT Read(const std::string& entryId, vcard::Contact* contact);
    // A new mail user with these fields, stored.
    HRESULT Add(const vcard::Contact& contact);
    HRESULT Delete(const std::vector<std::string>& entryIds);

  private:
    HRESULT Container(winpal::ComPtr<IABContainer>* container);
    winpal::ComPtr<IAddrBook> book_;
    winpal::ComPtr<IWABObject> wab_;
    winpal::ComPtr<IABContainer> container_;
    std::string mailUserTemplate_;
};

// A description of a failing result for messages.
std::string ResultText(HRESULT hr);

}  // namespace wabtool
