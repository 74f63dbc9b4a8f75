#include "dbx/tree_node.h"

#include "bytes.h"
#include "dbx/error.h"

namespace dbx {

void TreeNode::set_count(size_t slot, uint32_t values) {
    if (slot == 0) {
        leftmost_count = values;
    } else {
        entries[slot - 1].child_count = values;
    }
}

uint64_t TreeNode::total() const {
    uint64_t sum = uint64_t{leftmost_count} + entries.size();
    for (const TreeEntry& entry : entries)
        sum += entry.child_count;
    return sum;
}

uint8_t NodeIdForSlot(size_t slot) {
    return static_cast<uint8_t>(slot == 0 ? 0 : slot - 1);
}

TreeNode DecodeTreeNode(std::span<const uint8_t> bytes, uint32_t address, uint64_t file_size) {
    if (bytes.size() < kTreeNodeSize) {
        ThrowCorrupt("tree node", address, "the file ends inside the node");
    }
    const uint8_t* p = bytes.data();
    uint32_t marker = LoadU32(p);
    if (marker != address) {
        ThrowCorrupt("tree node", address, "marker " + Hex(marker) + " does not match its address");
    }
    auto check_pointer = [&](uint32_t pointer, const std::string& what) {
        if (pointer == 0)
            return;
        if (pointer % 4 != 0 || uint64_t{pointer} + kTreeNodeSize > file_size) {
            ThrowCorrupt("tree node", address,
                         what + " " + Hex(pointer) + " is not a node address in the file");
        }
    };
    TreeNode node;
    node.address = address;
    node.leftmost = LoadU32(p + 0x08);
    node.parent = LoadU32(p + 0x0C);
    node.node_id = p[0x10];
    uint32_t count = p[0x11];
    node.leftmost_count = LoadU32(p + 0x14);
    if (count > kMaxTreeEntries) {
        ThrowCorrupt("tree node", address,
                     std::to_string(count) + " entries, more than the " +
                         std::to_string(kMaxTreeEntries) + " a node holds");
    }
    check_pointer(node.leftmost, "leftmost child");
    check_pointer(node.parent, "parent");
    node.entries.resize(count);
    for (uint32_t j = 0; j < count; ++j) {
        const uint8_t* e = p + kTreeNodeHeaderSize + kTreeEntrySize * j;
        node.entries[j] = {LoadU32(e), LoadU32(e + 4), LoadU32(e + 8)};
        check_pointer(node.entries[j].child, "child of entry " + std::to_string(j));
        if (node.leaf() != (node.entries[j].child == 0)) {
            ThrowCorrupt("tree node", address,
                         "entry " + std::to_string(j) +
                             (node.leaf() ? " has a child in a leaf" : " lacks a child"));
        }
    }
    return node;
}

std::string EncodeTreeNode(const TreeNode& node) {
    std::string out(kTreeNodeSize, '\0');
    uint8_t* p = Bytes(out);
    StoreU32(p, node.address);
    StoreU32(p + 0x08, node.leftmost);
    StoreU32(p + 0x0C, node.parent);
    p[0x10] = node.node_id;
    p[0x11] = static_cast<uint8_t>(node.entries.size());
    StoreU32(p + 0x14, node.leftmost_count);
    for (size_t j = 0; j < node.entries.size(); ++j) {
        uint8_t* e = p + kTreeNodeHeaderSize + kTreeEntrySize * j;
        StoreU32(e, node.entries[j].value);
        StoreU32(e + 4, node.entries[j].child);
        StoreU32(e + 8, node.entries[j].child_count);
    }
    return out;
}

}  // namespace dbx
