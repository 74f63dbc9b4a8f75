// One node of an index B-tree (0x27C bytes in a tree segment). Interior nodes hold values too:
// in order, a node is its leftmost child's subtree, then for each entry the entry's value and
// the entry's child subtree.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dbx/format.h"

namespace dbx {

struct TreeEntry {
    uint32_t value = 0;        // address of a record
    uint32_t child = 0;        // subtree right of the value (0 in a leaf)
    uint32_t child_count = 0;  // values in that subtree
    bool operator==(const TreeEntry&) const = default;
};

// Child slots: slot 0 is the leftmost child, slot j + 1 the child of entry j.
struct TreeNode {
    uint32_t address = 0;
    uint32_t leftmost = 0;
    uint32_t parent = 0;
    uint8_t node_id = 0;
    uint32_t leftmost_count = 0;
    std::vector<TreeEntry> entries;

    bool leaf() const { return leftmost == 0; }
    size_t slots() const { return entries.size() + 1; }
    uint32_t child(size_t slot) const { return slot == 0 ? leftmost : entries[slot - 1].child; }
    uint32_t count(size_t slot) const {
        return slot == 0 ? leftmost_count : entries[slot - 1].child_count;
    }
    void set_count(size_t slot, uint32_t values);
    // Values in the whole subtree under this node.
    uint64_t total() const;
    bool operator==(const TreeNode&) const = default;
};

// The node-id byte a child gets in a given slot. The leftmost child and the child of entry 0
// both get 0, the child of entry j gets j; this reading of the known descriptions is not
// confirmed by any file, so it is kept in this one place.
uint8_t NodeIdForSlot(size_t slot);

// Decodes the node at `address` (bytes: kTreeNodeSize of them). Child addresses are checked to
// be 4-aligned and below `file_size`; throws kCorrupt naming "tree node" otherwise.
TreeNode DecodeTreeNode(std::span<const uint8_t> bytes, uint32_t address, uint64_t file_size);

std::string EncodeTreeNode(const TreeNode& node);

}  // namespace dbx
