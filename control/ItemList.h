// The list a Quillbox collection keeps: its item objects in order, one reference to each, and
// the lookups the collection conventions define (0-based positions for the collection's own
// members, Item's key text or 1-based position).
#pragma once

#include <string>
#include <vector>

#include <winpal/oleauto.h>
#include <winpal/winpal.h>

template <class T>
class ItemList {
  public:
    void Append(winpal::ComPtr<T> item) { items_.push_back(std::move(item)); }

    // Gives up the reference to every item, first to last, and empties the list.
    void Clear() {
        for (auto& item : items_)
            item.Reset();
        items_.clear();
    }

    std::size_t Size() const { return items_.size(); }

    // The item at a 0-based position; null outside 0 to Size() - 1.
    T* At(LONG position) const {
        if (position < 0 || static_cast<std::size_t>(position) >= items_.size())
            return nullptr;
        return items_[static_cast<std::size_t>(position)].Get();
    }

    // Item(Key): a key of type exactly VT_BSTR selects the first item whose key text (ANSI) is
    // equal to it, case-sensitively; any other key is coerced to a 32-bit integer and taken as
    // a 1-based position. The item's IDispatch with a new reference, or null.
    template <class KeyText>
    IDispatch* Find(const VARIANT& key, KeyText keyText) const {
        if (key.vt == VT_BSTR) {
            std::string wanted = winpal::WideToAnsi(winpal::BstrView(key.bstrVal));
            for (const auto& item : items_) {
                if (keyText(*item.Get()) == wanted)
                    return item->GetIDispatch();
            }
            return nullptr;
        }
        winpal::Variant position;
        if (FAILED(VariantChangeType(position.Ptr(), &key, 0, VT_I4)))
            return nullptr;
        LONG number = position.Ptr()->lVal;
        T* item = number >= 1 ? At(number - 1) : nullptr;
        return item ? item->GetIDispatch() : nullptr;
    }

    std::vector<winpal::ComPtr<IDispatch>> Snapshot() const {
        std::vector<winpal::ComPtr<IDispatch>> snapshot;
        snapshot.reserve(items_.size());
        for (const auto& item : items_)
            snapshot.push_back(winpal::ComPtr<IDispatch>::Share(item.Get()));
        return snapshot;
    }

  private:
    std::vector<winpal::ComPtr<T>> items_;
};
