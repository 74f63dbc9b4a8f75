#include "btree.h"

#include <unordered_set>

#include "dbx/error.h"

namespace dbx {

namespace {

uint32_t Total(const TreeNode& node) {
    return static_cast<uint32_t>(node.total());
}

// Index of the first entry whose key sorts after the searched key.
size_t UpperBound(const TreeNode& node, const KeyCompare& compare) {
    size_t lo = 0, hi = node.entries.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (compare(node.entries[mid].value) >= 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

// Index of the first entry whose key does not sort before the searched key.
size_t LowerBound(const TreeNode& node, const KeyCompare& compare) {
    size_t lo = 0, hi = node.entries.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (compare(node.entries[mid].value) > 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

void CheckDepth(int depth, uint32_t address) {
    if (depth > kMaxTreeDepth) {
        ThrowCorrupt("tree node", address,
                     "the index is deeper than " + std::to_string(kMaxTreeDepth) + " levels");
    }
}

// Points the children of `node` from `from_slot` on back at it, with the id of their slot.
void AdoptChildren(NodeStore& store, TreeNode& node, size_t from_slot) {
    if (node.leaf())
        return;
    for (size_t slot = from_slot; slot < node.slots(); ++slot) {
        uint32_t address = node.child(slot);
        TreeNode& child = store.Load(address);
        uint8_t id = NodeIdForSlot(slot);
        if (child.parent != node.address || child.node_id != id) {
            child.parent = node.address;
            child.node_id = id;
            store.Changed(address);
        }
    }
}

void Split(NodeStore& store, TreeRoot& tree, const TreePath& path, size_t level) {
    uint32_t left_address = path[level].node;
    TreeNode& left = store.Load(left_address);
    const size_t keep = (kMaxTreeEntries + 1) / 2;
    TreeEntry median = left.entries[keep];
    TreeNode& right = store.Create();
    right.leftmost = median.child;
    right.leftmost_count = median.child_count;
    right.entries.assign(left.entries.begin() + keep + 1, left.entries.end());
    left.entries.resize(keep);
    store.Changed(left_address);
    AdoptChildren(store, right, 0);
    if (level == 0) {
        TreeNode& root = store.Create();
        root.leftmost = left_address;
        root.leftmost_count = Total(left);
        root.entries.push_back({median.value, right.address, Total(right)});
        left.parent = root.address;
        left.node_id = NodeIdForSlot(0);
        right.parent = root.address;
        right.node_id = NodeIdForSlot(1);
        tree.root = root.address;
        return;
    }
    uint32_t parent_address = path[level - 1].node;
    size_t slot = path[level - 1].index;
    TreeNode& parent = store.Load(parent_address);
    parent.set_count(slot, Total(left));
    parent.entries.insert(parent.entries.begin() + static_cast<long>(slot),
                          TreeEntry{median.value, right.address, Total(right)});
    store.Changed(parent_address);
    AdoptChildren(store, parent, slot + 1);
}

// Refills the node at path[level] after an erase; true when its parent lost an entry and may
// need refilling in turn.
bool Rebalance(NodeStore& store, TreeRoot& tree, const TreePath& path, size_t level) {
    uint32_t address = path[level].node;
    TreeNode& node = store.Load(address);
    if (level == 0) {
        if (!node.entries.empty())
            return false;
        uint32_t child = node.leftmost;
        store.Release(address);
        tree.root = child;
        if (child) {
            TreeNode& root = store.Load(child);
            root.parent = 0;
            root.node_id = 0;
            store.Changed(child);
        }
        return false;
    }
    if (node.entries.size() >= kMinTreeEntries)
        return false;
    uint32_t parent_address = path[level - 1].node;
    size_t slot = path[level - 1].index;
    TreeNode& parent = store.Load(parent_address);
    store.Changed(parent_address);
    store.Changed(address);

    if (slot > 0) {
        TreeNode& left = store.Load(parent.child(slot - 1));
        if (left.entries.size() > kMinTreeEntries) {
            // Borrow the left sibling's last value through the separator.
            TreeEntry& separator = parent.entries[slot - 1];
            TreeEntry last = left.entries.back();
            left.entries.pop_back();
            node.entries.insert(node.entries.begin(),
                                TreeEntry{separator.value, node.leftmost, node.leftmost_count});
            node.leftmost = last.child;
            node.leftmost_count = last.child_count;
            separator.value = last.value;
            parent.set_count(slot - 1, Total(left));
            parent.set_count(slot, Total(node));
            store.Changed(left.address);
            AdoptChildren(store, node, 0);
            return false;
        }
    }
    if (slot < parent.entries.size()) {
        TreeNode& right = store.Load(parent.child(slot + 1));
        if (right.entries.size() > kMinTreeEntries) {
            // Borrow the right sibling's first value through the separator.
            TreeEntry& separator = parent.entries[slot];
            TreeEntry first = right.entries.front();
            node.entries.push_back(
                TreeEntry{separator.value, right.leftmost, right.leftmost_count});
            separator.value = first.value;
            right.leftmost = first.child;
            right.leftmost_count = first.child_count;
            right.entries.erase(right.entries.begin());
            parent.set_count(slot, Total(node));
            parent.set_count(slot + 1, Total(right));
            store.Changed(right.address);
            AdoptChildren(store, node, node.entries.size());
            AdoptChildren(store, right, 0);
            return false;
        }
    }
    if (parent.entries.empty())
        return false;  // a lone child: nothing to merge with
    // Merge with a sibling: the left one of the pair absorbs the separator and the right one.
    size_t separator_index = slot > 0 ? slot - 1 : slot;
    TreeNode& a = store.Load(parent.child(separator_index));
    uint32_t b_address = parent.child(separator_index + 1);
    TreeNode& b = store.Load(b_address);
    size_t first_moved = a.entries.size() + 1;
    a.entries.push_back(
        TreeEntry{parent.entries[separator_index].value, b.leftmost, b.leftmost_count});
    a.entries.insert(a.entries.end(), b.entries.begin(), b.entries.end());
    store.Changed(a.address);
    parent.entries.erase(parent.entries.begin() + static_cast<long>(separator_index));
    parent.set_count(separator_index, Total(a));
    AdoptChildren(store, a, first_moved);
    store.Release(b_address);
    AdoptChildren(store, parent, separator_index + 1);
    return true;
}

bool FindFrom(NodeStore& store, uint32_t address, const KeyCompare& compare, uint32_t value,
              TreePath& path, int depth) {
    CheckDepth(depth, address);
    const TreeNode& node = store.Load(address);
    size_t lo = LowerBound(node, compare);
    size_t hi = UpperBound(node, compare);
    for (size_t j = lo; j < hi; ++j) {
        if (node.entries[j].value == value) {
            path.push_back({address, j});
            return true;
        }
    }
    if (node.leaf())
        return false;
    for (size_t slot = lo; slot <= hi; ++slot) {
        path.push_back({address, slot});
        if (FindFrom(store, node.child(slot), compare, value, path, depth + 1))
            return true;
        path.pop_back();
    }
    return false;
}

bool ScanFrom(NodeStore& store, uint32_t address, uint32_t value, TreePath& path,
              std::unordered_set<uint32_t>& visited, int depth) {
    CheckDepth(depth, address);
    if (!visited.insert(address).second) {
        ThrowCorrupt("tree node", address, "the node is reached twice (a cycle in the index)");
    }
    const TreeNode& node = store.Load(address);
    for (size_t j = 0; j < node.entries.size(); ++j) {
        if (node.entries[j].value == value) {
            path.push_back({address, j});
            return true;
        }
    }
    if (node.leaf())
        return false;
    for (size_t slot = 0; slot < node.slots(); ++slot) {
        path.push_back({address, slot});
        if (ScanFrom(store, node.child(slot), value, path, visited, depth + 1))
            return true;
        path.pop_back();
    }
    return false;
}

uint64_t Capacity(int height) {
    uint64_t capacity = kMaxTreeEntries;
    for (int h = 1; h < height; ++h)
        capacity = kMaxTreeEntries + (kMaxTreeEntries + 1) * capacity;
    return capacity;
}

uint32_t BuildSubtree(std::span<const uint32_t> values, int height, uint32_t parent,
                      uint8_t node_id, const std::function<uint32_t()>& allocate,
                      std::vector<TreeNode>& nodes) {
    size_t index = nodes.size();
    nodes.emplace_back();
    nodes[index].address = allocate();
    nodes[index].parent = parent;
    nodes[index].node_id = node_id;
    uint32_t address = nodes[index].address;
    if (height == 1) {
        for (uint32_t value : values)
            nodes[index].entries.push_back({value, 0, 0});
        return address;
    }
    uint64_t child_capacity = Capacity(height - 1);
    size_t n = values.size();
    size_t children = static_cast<size_t>((n + 1 + child_capacity) / (child_capacity + 1));
    size_t in_children = n - (children - 1);
    size_t base = in_children / children, extra = in_children % children;
    size_t pos = 0;
    for (size_t i = 0; i < children; ++i) {
        uint32_t separator = 0;
        if (i > 0)
            separator = values[pos++];
        size_t size = base + (i < extra ? 1 : 0);
        uint32_t child = BuildSubtree(values.subspan(pos, size), height - 1, address,
                                      NodeIdForSlot(i), allocate, nodes);
        pos += size;
        if (i == 0) {
            nodes[index].leftmost = child;
            nodes[index].leftmost_count = static_cast<uint32_t>(size);
        } else {
            nodes[index].entries.push_back({separator, child, static_cast<uint32_t>(size)});
        }
    }
    return address;
}

}  // namespace

void TreeInsert(NodeStore& store, TreeRoot& tree, const KeyCompare& compare, uint32_t value) {
    if (tree.root == 0) {
        TreeNode& node = store.Create();
        node.entries.push_back({value, 0, 0});
        tree.root = node.address;
        tree.count = 1;
        return;
    }
    TreePath path;
    uint32_t address = tree.root;
    for (int depth = 0;; ++depth) {
        CheckDepth(depth, address);
        TreeNode& node = store.Load(address);
        size_t pos = UpperBound(node, compare);
        store.Changed(address);
        path.push_back({address, pos});
        if (node.leaf()) {
            node.entries.insert(node.entries.begin() + static_cast<long>(pos),
                                TreeEntry{value, 0, 0});
            break;
        }
        node.set_count(pos, node.count(pos) + 1);
        address = node.child(pos);
    }
    tree.count++;
    for (size_t level = path.size(); level-- > 0;) {
        if (store.Load(path[level].node).entries.size() <= kMaxTreeEntries)
            break;
        Split(store, tree, path, level);
    }
}

std::optional<TreePath> TreeFind(NodeStore& store, const TreeRoot& tree, const KeyCompare& compare,
                                 uint32_t value) {
    TreePath path;
    if (tree.root && FindFrom(store, tree.root, compare, value, path, 0))
        return path;
    return std::nullopt;
}

std::optional<TreePath> TreeFindByScan(NodeStore& store, const TreeRoot& tree, uint32_t value) {
    TreePath path;
    std::unordered_set<uint32_t> visited;
    if (tree.root && ScanFrom(store, tree.root, value, path, visited, 0))
        return path;
    return std::nullopt;
}

std::optional<uint32_t> TreeLookup(NodeStore& store, const TreeRoot& tree,
                                   const KeyCompare& compare) {
    uint32_t address = tree.root;
    std::optional<uint32_t> found;
    for (int depth = 0; address; ++depth) {
        CheckDepth(depth, address);
        const TreeNode& node = store.Load(address);
        size_t lo = LowerBound(node, compare);
        if (lo < node.entries.size() && compare(node.entries[lo].value) == 0) {
            found = node.entries[lo].value;  // an equal key further left may still exist below
        }
        if (node.leaf())
            break;
        address = node.child(lo);
    }
    return found;
}

void TreeEraseAt(NodeStore& store, TreeRoot& tree, TreePath path) {
    TreeNode& holder = store.Load(path.back().node);
    size_t j = path.back().index;
    store.Changed(holder.address);
    if (!holder.leaf()) {
        // Replace the value by its in-order predecessor, which always sits in a leaf.
        uint32_t address = holder.child(j);
        for (int depth = static_cast<int>(path.size());; ++depth) {
            CheckDepth(depth, address);
            const TreeNode& node = store.Load(address);
            if (node.leaf()) {
                path.push_back({address, node.entries.size() - 1});
                break;
            }
            path.push_back({address, node.entries.size()});
            address = node.child(node.entries.size());
        }
        TreeNode& leaf = store.Load(path.back().node);
        if (leaf.entries.empty()) {
            ThrowCorrupt("tree node", leaf.address, "an empty leaf below an interior node");
        }
        holder.entries[j].value = leaf.entries.back().value;
        leaf.entries.pop_back();
        store.Changed(leaf.address);
    } else {
        holder.entries.erase(holder.entries.begin() + static_cast<long>(j));
    }
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        TreeNode& node = store.Load(path[i].node);
        node.set_count(path[i].index, node.count(path[i].index) - 1);
        store.Changed(path[i].node);
    }
    tree.count--;
    for (size_t level = path.size(); level-- > 0;) {
        if (!Rebalance(store, tree, path, level))
            break;
    }
}

BuiltTree BuildBalancedTree(std::span<const uint32_t> values,
                            const std::function<uint32_t()>& allocate) {
    BuiltTree tree;
    if (values.empty())
        return tree;
    int height = 1;
    while (Capacity(height) < values.size())
        ++height;
    tree.root = BuildSubtree(values, height, 0, 0, allocate, tree.nodes);
    return tree;
}

}  // namespace dbx
