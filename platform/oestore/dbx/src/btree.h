// B-tree algorithms on index nodes: insert, find, erase with rebalancing, and the bottom-up
// build of a balanced tree. They keep every invariant the format has: sorted values, subtree
// counts, parent pointers, node ids, at most 51 entries per node and all leaves at one depth.
// Nodes come from a NodeStore, so the same code runs on a file change and in unit tests.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "dbx/tree_node.h"

namespace dbx {

class NodeStore {
  public:
    virtual ~NodeStore() = default;
    // The node at `address` (references stay valid until the node is released).
    virtual TreeNode& Load(uint32_t address) = 0;
    // Records that the node at `address` was modified.
    virtual void Changed(uint32_t address) = 0;
    // A new empty node with its address set.
    virtual TreeNode& Create() = 0;
    virtual void Release(uint32_t address) = 0;
};

// Compares the key searched for with the key of a stored value: negative when the searched
// key sorts first, 0 when equal, positive when it sorts after.
using KeyCompare = std::function<int(uint32_t value)>;

struct TreeRoot {
    uint32_t root = 0;
    uint32_t count = 0;
};

// A path from the root: each step names a node and the child slot taken from it; the last step
// names the node holding a value and the value's entry index.
struct PathStep {
    uint32_t node = 0;
    size_t index = 0;
};
using TreePath = std::vector<PathStep>;

// Nodes below this many entries (except the root) are refilled after an erase.
inline constexpr size_t kMinTreeEntries = kMaxTreeEntries / 2;
// No real index is deeper than a few levels; deeper means a corrupt tree.
inline constexpr int kMaxTreeDepth = 32;

// Inserts `value` after every value whose key is not greater.
void TreeInsert(NodeStore& store, TreeRoot& tree, const KeyCompare& compare, uint32_t value);
// Finds `value` by its key.
std::optional<TreePath> TreeFind(NodeStore& store, const TreeRoot& tree, const KeyCompare& compare,
                                 uint32_t value);
// Finds `value` by visiting every node: for trees whose order disagrees with the comparison.
std::optional<TreePath> TreeFindByScan(NodeStore& store, const TreeRoot& tree, uint32_t value);
// Finds the first value whose key equals the searched key.
std::optional<uint32_t> TreeLookup(NodeStore& store, const TreeRoot& tree,
                                   const KeyCompare& compare);
void TreeEraseAt(NodeStore& store, TreeRoot& tree, TreePath path);

// Builds a balanced tree over `values` (already in index order), all leaves at one depth and
// nodes filled evenly. `allocate` hands out node addresses; the root gets the first one.
struct BuiltTree {
    uint32_t root = 0;
    std::vector<TreeNode> nodes;
};
BuiltTree BuildBalancedTree(std::span<const uint32_t> values,
                            const std::function<uint32_t()>& allocate);

}  // namespace dbx
