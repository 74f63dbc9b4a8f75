// Helpers for the address-book tests: an address book opened with WABOpen on a file of the
// test's own, and short ways to make, list and read entries through the interfaces.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <wab/wabapi.h>
#include <winpal/winpal.h>

#include "temp_prefix.h"

namespace wabtest {

using winpal::ComPtr;

// What WABOpen hands out.
struct Book {
    ComPtr<IAddrBook> book;
    ComPtr<IWABObject> wab;
};

HRESULT OpenFile(const std::filesystem::path& file, Book* out);

// Frees address-book memory when it goes.
class WabMemory {
  public:
    WabMemory(IWABObject* wab, void* block) : wab_(wab), block_(block) {}
    ~WabMemory() {
        if (block_)
            wab_->FreeBuffer(block_);
    }
    WabMemory(const WabMemory&) = delete;
    WabMemory& operator=(const WabMemory&) = delete;

  private:
    IWABObject* wab_;
    void* block_;
};

// A narrow-text property value (the text must outlive the value).
SPropValue Narrow(ULONG tag, const char* text);

struct Row {
    std::string name;
    std::string entryId;
    ULONG objectType = 0;
};

// A fresh prefix and an address book in a file of its own.
class BookTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path File() const { return prefix_->Path() / "book.sqlite"; }
    void Reopen();

    ComPtr<IABContainer> Pab();
    std::string Template(ULONG propTag);
    // A new saved entry from the template `defTag`, with these narrow-text properties.
    std::string Add(ULONG defTag, const std::vector<std::pair<ULONG, const char*>>& props);
    std::string AddContact(const char* name, const char* email = "");
    // The contents table's rows (display name, entry id, object type).
    std::vector<Row> Rows();
    ComPtr<IMAPIProp> Open(const std::string& entryId, ULONG* type = nullptr);
    // The narrow text of one property of an entry; "<missing>" when it has none.
    std::string Text(IMAPIProp* entry, ULONG tag);

    std::unique_ptr<testsupport::TempPrefix> prefix_;
    Book book_;
};

}  // namespace wabtest
