// An ordered list of values, each optionally under a text key, in the manner of BASIC's
// Collection: items keep insertion order and are reached by 1-based position or by key; keys are
// unique and compared without regard to letter case; adding an existing key is an error.
#pragma once

#include <QHash>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "import_support/RuntimeError.h"

template <class T>
class KeyedCollection {
    struct Entry {
        T value;
        std::optional<QString> key;
    };

  public:
    // Appends `item`; throws run-time error 457 when `key` is already in use.
    void Add(T item, std::optional<QString> key = std::nullopt) {
        if (key) {
            QString folded = key->toCaseFolded();
            if (positions_.contains(folded))
                throw vb::RuntimeError(vb::kKeyAlreadyAssociated);
            positions_.insert(folded, items_.size());
        }
        items_.push_back(Entry{std::move(item), std::move(key)});
    }

    int Count() const { return static_cast<int>(items_.size()); }

    // The item at 1-based `position`; run-time error 9 when there is none.
    const T& Item(int position) const {
        if (position < 1 || position > Count())
            throw vb::RuntimeError(vb::kSubscriptOutOfRange);
        return items_[position - 1].value;
    }

    // The item under `key`; run-time error 5 when no item has that key.
    const T& Item(const QString& key) const {
        const T* found = Find(key);
        if (!found)
            throw vb::RuntimeError(vb::kInvalidProcedureCall);
        return *found;
    }

    // The item under `key`, or null.
    const T* Find(const QString& key) const {
        auto it = positions_.constFind(key.toCaseFolded());
        return it == positions_.constEnd() ? nullptr : &items_[*it].value;
    }

    // The key of the item at 1-based `position`, if it has one.
    std::optional<QString> KeyAt(int position) const {
        if (position < 1 || position > Count())
            throw vb::RuntimeError(vb::kSubscriptOutOfRange);
        return items_[position - 1].key;
    }

    // Walks the items in order (For Each).
    class const_iterator {
      public:
        const T& operator*() const { return it_->value; }
        const T* operator->() const { return &it_->value; }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }

      private:
        friend class KeyedCollection;
        using Base = typename std::vector<typename KeyedCollection::Entry>::const_iterator;
        explicit const_iterator(Base it) : it_(it) {}
        Base it_;
    };
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

  private:
    std::vector<Entry> items_;
    QHash<QString, std::size_t> positions_;  // case-folded key -> index into items_
};
