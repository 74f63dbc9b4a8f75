#include "control/XEnumVariant.h"

#include <new>

winpal::ComPtr<XEnumVARIANT> XEnumVARIANT::Create(EnumerableCollection& collection) {
    auto enumerator = winpal::ComPtr<XEnumVARIANT>::Adopt(new XEnumVARIANT(collection));
    enumerator->Reset();
    return enumerator;
}

XEnumVARIANT::XEnumVARIANT(EnumerableCollection& collection)
    : collection_(&collection),
      collectionReference_(winpal::ComPtr<IDispatch>::Share(collection.CollectionDispatch())) {}

XEnumVARIANT::XEnumVARIANT(const XEnumVARIANT& other)
    : collection_(other.collection_),
      collectionReference_(other.collectionReference_),
      items_(other.items_),
      position_(other.position_) {}

HRESULT XEnumVARIANT::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumVARIANT)) {
        *ppv = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG XEnumVARIANT::Release() {
    ULONG remaining = refs_.Drop();
    if (remaining == 0)
        delete this;
    return remaining;
}

HRESULT XEnumVARIANT::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) {
    if (pCeltFetched)
        *pCeltFetched = 0;
    else if (celt > 1)
        return E_INVALIDARG;  // "XEnumVARIANT::Next() celt > 1 and pceltFetched == NULL!"
    if (celt > 0 && !rgVar)
        return E_POINTER;
    for (ULONG i = 0; i < celt; ++i)
        VariantInit(&rgVar[i]);
    ULONG filled = 0;
    while (filled < celt && items_ && position_ < items_->size()) {
        IDispatch* item = (*items_)[position_++].Get();
        if (!item)
            return E_UNEXPECTED;
        item->AddRef();
        rgVar[filled].vt = VT_DISPATCH;
        rgVar[filled].pdispVal = item;
        ++filled;
        if (pCeltFetched)
            ++*pCeltFetched;
    }
    return filled == celt ? S_OK : S_FALSE;
}

HRESULT XEnumVARIANT::Skip(ULONG celt) {
    if (!items_)
        return E_UNEXPECTED;
    std::size_t left = items_->size() - position_;
    if (celt <= left) {
        position_ += celt;
        return S_OK;
    }
    position_ = items_->size();
    return S_FALSE;
}

HRESULT XEnumVARIANT::Reset() {
    items_ = std::make_shared<const Snapshot>(collection_->ItemSnapshot());
    position_ = 0;
    return S_OK;
}

HRESULT XEnumVARIANT::Clone(IEnumVARIANT** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    try {
        *ppEnum = new XEnumVARIANT(*this);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

IUnknown* NewEnum(EnumerableCollection& collection) {
    try {
        return XEnumVARIANT::Create(collection).Detach();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
