// XEnumVARIANT: the enumerator every Quillbox collection hands out through _NewEnum. It walks a
// copy of the collection's item references, taken when it is made and at every Reset, so a list
// rebuilt meanwhile never pulls an entry from under it.
#pragma once

#include <memory>
#include <vector>

#include <winpal/oleauto.h>
#include <winpal/winpal.h>

#include <olectl/module.h>

// What an enumerator needs of the collection it walks.
class EnumerableCollection {
  public:
    // The collection's automation interface, which the enumerator keeps a reference to.
    virtual IDispatch* CollectionDispatch() = 0;
    // The items in list order, each with a reference of its own (an entry may be null).
    virtual std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() = 0;

  protected:
    ~EnumerableCollection() = default;
};

class XEnumVARIANT final : public IEnumVARIANT {
  public:
    // A new enumerator on the collection's first item, with one reference for the caller.
    static winpal::ComPtr<XEnumVARIANT> Create(EnumerableCollection& collection);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return refs_.Add(); }
    ULONG Release() override;

    HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
    HRESULT Skip(ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumVARIANT** ppEnum) override;

  private:
    using Snapshot = std::vector<winpal::ComPtr<IDispatch>>;

    explicit XEnumVARIANT(EnumerableCollection& collection);
    XEnumVARIANT(const XEnumVARIANT& other);
    ~XEnumVARIANT() = default;

    olectl::ObjectLock lock_;
    olectl::RefCount refs_;
    EnumerableCollection* collection_;
    winpal::ComPtr<IDispatch> collectionReference_;
    std::shared_ptr<const Snapshot> items_;  // shared with clones; replaced by Reset
    std::size_t position_ = 0;
};

// _NewEnum of a collection: the enumerator's IEnumVARIANT as an IUnknown with one reference,
// or null (Nothing) when it cannot be made.
IUnknown* NewEnum(EnumerableCollection& collection);
