// The collection enumerator over a collection the test controls: Next, Skip, Reset and Clone
// with their counts and results, snapshots, and references.
#include <gtest/gtest.h>

#include <olectl/module.h>

#include "control/Folder.h"
#include "control/XEnumVariant.h"

namespace {

class ListCollection : public EnumerableCollection {
  public:
    IDispatch* CollectionDispatch() override { return self.Get(); }
    std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() override { return items; }

    void Add(const std::string& name) {
        items.push_back(winpal::ComPtr<IDispatch>::Adopt(new CFolder(name, 0, 0, 0)));
    }

    winpal::ComPtr<IDispatch> self = winpal::ComPtr<IDispatch>::Adopt(new CFolder("", 0, 0, 0));
    std::vector<winpal::ComPtr<IDispatch>> items;
};

std::string NameOf(const VARIANT& v) {
    if (v.vt != VT_DISPATCH || !v.pdispVal)
        return "-";
    return static_cast<CFolder*>(static_cast<olectl::CCmdTarget*>(v.pdispVal))->Name();
}

class EnumTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c", "d"})
            collection.Add(name);
        enumerator = XEnumVARIANT::Create(collection);
    }
    void TearDown() override {
        enumerator.Reset();
        collection.items.clear();
        collection.self.Reset();
        EXPECT_EQ(olectl::AfxLiveObjectCount(), 0);
    }

    // Next(celt) with a count pointer: the result, and the names in the slots.
    HRESULT Take(XEnumVARIANT& from, ULONG celt, std::vector<std::string>* names, ULONG* fetched) {
        std::vector<VARIANT> slots(celt);
        for (VARIANT& slot : slots)
            slot.vt = VT_ERROR;  // Next must set every slot
        HRESULT hr = from.Next(celt, slots.data(), fetched);
        names->clear();
        for (VARIANT& slot : slots) {
            names->push_back(slot.vt == VT_EMPTY ? "" : NameOf(slot));
            VariantClear(&slot);
        }
        return hr;
    }

    ListCollection collection;
    winpal::ComPtr<XEnumVARIANT> enumerator;
};

TEST_F(EnumTest, EmptyCollectionEndsAtOnce) {
    ListCollection empty;
    auto walk = XEnumVARIANT::Create(empty);
    std::vector<std::string> names;
    ULONG fetched = 7;
    EXPECT_EQ(Take(*walk.Get(), 1, &names, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(names, std::vector<std::string>{""});
}

TEST_F(EnumTest, NextFillsWhatItCanAndCounts) {
    std::vector<std::string> names;
    ULONG fetched = 0;
    EXPECT_EQ(Take(*enumerator.Get(), 2, &names, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Take(*enumerator.Get(), 5, &names, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(names, (std::vector<std::string>{"c", "d", "", "", ""}));
    EXPECT_EQ(Take(*enumerator.Get(), 1, &names, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(Take(*enumerator.Get(), 0, &names, &fetched), S_OK);
}

TEST_F(EnumTest, WithoutACountOnlyOneItemAtATime) {
    VARIANT slots[3];
    for (VARIANT& slot : slots)
        slot.vt = VT_ERROR;
    EXPECT_EQ(enumerator->Next(3, slots, nullptr), E_INVALIDARG);
    EXPECT_EQ(slots[0].vt, VT_ERROR);  // untouched
    EXPECT_EQ(enumerator->Next(1, slots, nullptr), S_OK);
    EXPECT_EQ(NameOf(slots[0]), "a");
    VariantClear(&slots[0]);
}

TEST_F(EnumTest, SkipPassesOverEntries) {
    EXPECT_EQ(enumerator->Skip(0), S_OK);
    EXPECT_EQ(enumerator->Skip(2), S_OK);
    EXPECT_EQ(enumerator->Skip(2), S_OK);  // exactly the two that were left
    std::vector<std::string> names;
    ULONG fetched = 0;
    EXPECT_EQ(Take(*enumerator.Get(), 1, &names, &fetched), S_FALSE);
    enumerator->Reset();
    EXPECT_EQ(enumerator->Skip(9), S_FALSE);
    EXPECT_EQ(Take(*enumerator.Get(), 1, &names, &fetched), S_FALSE);
}

TEST_F(EnumTest, CloneStartsWhereItsOriginalIsAndMovesAlone) {
    std::vector<std::string> names;
    ULONG fetched = 0;
    Take(*enumerator.Get(), 1, &names, &fetched);
    Take(*enumerator.Get(), 1, &names, &fetched);
    IEnumVARIANT* clone = nullptr;
    ASSERT_EQ(enumerator->Clone(&clone), S_OK);
    auto* copy = static_cast<XEnumVARIANT*>(clone);
    EXPECT_EQ(Take(*copy, 2, &names, &fetched), S_OK);
    EXPECT_EQ(names, (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(Take(*enumerator.Get(), 1, &names, &fetched), S_OK);
    EXPECT_EQ(names, std::vector<std::string>{"c"});
    EXPECT_EQ(clone->Release(), 0u);
}

TEST_F(EnumTest, ResetStartsAgainFromTheListAsItIsThen) {
    std::vector<std::string> names;
    ULONG fetched = 0;
    Take(*enumerator.Get(), 4, &names, &fetched);
    collection.items.erase(collection.items.begin());
    collection.Add("e");
    // The walk that started goes on with its own copy.
    EXPECT_EQ(Take(*enumerator.Get(), 1, &names, &fetched), S_FALSE);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(Take(*enumerator.Get(), 4, &names, &fetched), S_OK);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "c", "d", "e"}));
}

TEST_F(EnumTest, EntryWithoutAnItemStopsTheWalk) {
    collection.items[2].Reset();
    enumerator->Reset();
    std::vector<std::string> names;
    ULONG fetched = 0;
    EXPECT_EQ(Take(*enumerator.Get(), 4, &names, &fetched), E_UNEXPECTED);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "", ""}));
}

TEST_F(EnumTest, ReferencesAreBalanced) {
    IDispatch* first = collection.items[0].Get();
    // The collection's reference while the enumerator lives.
    EXPECT_EQ(collection.self->AddRef(), 3u);
    collection.self->Release();
    EXPECT_EQ(first->AddRef(), 3u);  // the list's, the enumerator's copy, this one
    first->Release();
    VARIANT slot;
    ASSERT_EQ(enumerator->Next(1, &slot, nullptr), S_OK);
    EXPECT_EQ(first->AddRef(), 4u);
    first->Release();
    VariantClear(&slot);
    winpal::ComPtr<IUnknown> unknown;
    ASSERT_EQ(enumerator->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    void* none = nullptr;
    EXPECT_EQ(enumerator->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    unknown.Reset();
    enumerator.Reset();
    EXPECT_EQ(first->AddRef(), 2u);
    first->Release();
    EXPECT_EQ(collection.self->AddRef(), 2u);
    collection.self->Release();
}

}  // namespace
