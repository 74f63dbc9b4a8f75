// The index B-tree algorithms against a plain sorted list, with every structural invariant of
// the format checked after each change.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "btree.h"

namespace {

using namespace dbx;

class MemoryNodes : public NodeStore {
  public:
    TreeNode& Load(uint32_t address) override { return nodes_.at(address); }
    void Changed(uint32_t address) override { changed.insert(address); }
    TreeNode& Create() override {
        uint32_t address = next_ += kTreeNodeSize;
        TreeNode& node = nodes_[address];
        node.address = address;
        return node;
    }
    void Release(uint32_t address) override { ASSERT_EQ(nodes_.erase(address), 1u); }
    size_t size() const { return nodes_.size(); }
    std::set<uint32_t> changed;

  private:
    std::map<uint32_t, TreeNode> nodes_;
    uint32_t next_ = 0x1000;
};

KeyCompare CompareTo(uint32_t key) {
    return [key](uint32_t value) { return key < value ? -1 : (key > value ? 1 : 0); };
}

// Walks the tree checking order, counts, parents, node ids, entry limits and leaf depth;
// returns the values in order.
struct Checker {
    Checker(NodeStore& s, bool fill) : store(s), min_fill(fill) {}
    NodeStore& store;
    bool min_fill;
    int leaf_depth = -1;
    std::vector<uint32_t> values;
    size_t nodes = 0;

    uint64_t Walk(uint32_t address, uint32_t parent, uint8_t id, int depth) {
        const TreeNode& node = store.Load(address);
        ++nodes;
        EXPECT_EQ(node.parent, parent);
        EXPECT_EQ(node.node_id, id);
        EXPECT_LE(node.entries.size(), kMaxTreeEntries);
        if (min_fill && parent != 0) {
            EXPECT_GE(node.entries.size(), kMinTreeEntries);
        }
        if (node.leaf()) {
            if (leaf_depth < 0)
                leaf_depth = depth;
            EXPECT_EQ(depth, leaf_depth);
        }
        uint64_t total = 0;
        for (size_t slot = 0; slot < node.slots(); ++slot) {
            if (slot > 0) {
                values.push_back(node.entries[slot - 1].value);
                ++total;
            }
            if (node.leaf()) {
                EXPECT_EQ(node.child(slot), 0u);
                continue;
            }
            uint64_t below = Walk(node.child(slot), address, NodeIdForSlot(slot), depth + 1);
            EXPECT_EQ(below, node.count(slot));
            total += below;
        }
        EXPECT_EQ(total, node.total());
        return total;
    }
};

std::vector<uint32_t> CheckTree(NodeStore& store, const TreeRoot& tree, bool min_fill) {
    Checker checker{store, min_fill};
    if (tree.root) {
        EXPECT_EQ(checker.Walk(tree.root, 0, 0, 0), tree.count);
    } else {
        EXPECT_EQ(tree.count, 0u);
    }
    EXPECT_TRUE(std::is_sorted(checker.values.begin(), checker.values.end()));
    return checker.values;
}

TEST(BTree, RandomInsertsAndErasesKeepEveryInvariant) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        MemoryNodes store;
        TreeRoot tree;
        std::set<uint32_t> model;
        std::mt19937 random(seed);
        for (int step = 0; step < 6000; ++step) {
            bool insert = model.size() < 40 || random() % 100 < (step < 4000 ? 65 : 20);
            if (insert) {
                uint32_t value = 4 * (1 + random() % 100000);
                if (!model.insert(value).second)
                    continue;
                TreeInsert(store, tree, CompareTo(value), value);
            } else {
                auto it = model.begin();
                std::advance(it, random() % model.size());
                uint32_t value = *it;
                model.erase(it);
                auto path = TreeFind(store, tree, CompareTo(value), value);
                ASSERT_TRUE(path.has_value());
                TreeEraseAt(store, tree, *path);
            }
            if (step % 500 == 0 || step > 5900) {
                ASSERT_EQ(CheckTree(store, tree, false),
                          std::vector<uint32_t>(model.begin(), model.end()));
            }
        }
        while (!model.empty()) {
            uint32_t value = *model.begin();
            model.erase(model.begin());
            auto path = TreeFind(store, tree, CompareTo(value), value);
            ASSERT_TRUE(path.has_value());
            TreeEraseAt(store, tree, *path);
        }
        EXPECT_EQ(tree.root, 0u);
        EXPECT_EQ(store.size(), 0u) << "every node is released once the tree is empty";
    }
}

TEST(BTree, AppendingInOrderTouchesOnlyTheRightEdge) {
    MemoryNodes store;
    TreeRoot tree;
    for (uint32_t v = 4; v <= 4 * 3000; v += 4)
        TreeInsert(store, tree, CompareTo(v), v);
    CheckTree(store, tree, false);
    store.changed.clear();
    TreeInsert(store, tree, CompareTo(4 * 3001), 4 * 3001);
    EXPECT_LE(store.changed.size(), 3u);  // the path from root to the last leaf
}

TEST(BTree, BalancedBuildsAreFullAndShallow) {
    for (size_t count : {1u, 51u, 52u, 2600u, 100000u}) {
        std::vector<uint32_t> values(count);
        for (size_t k = 0; k < count; ++k)
            values[k] = static_cast<uint32_t>(4 * (k + 1));
        uint32_t next = 0x1000;
        BuiltTree built = BuildBalancedTree(values, [&] { return next += kTreeNodeSize; });
        // Load the built nodes into a store under their own addresses.
        struct Loaded : NodeStore {
            std::map<uint32_t, TreeNode> nodes;
            TreeNode& Load(uint32_t a) override { return nodes.at(a); }
            void Changed(uint32_t) override {}
            TreeNode& Create() override { throw std::logic_error("no"); }
            void Release(uint32_t) override {}
        } loaded;
        for (const TreeNode& node : built.nodes)
            loaded.nodes[node.address] = node;
        EXPECT_EQ(built.root, built.nodes.front().address) << "the root takes the first address";
        TreeRoot tree{built.root, static_cast<uint32_t>(count)};
        Checker checker{loaded, true};
        EXPECT_EQ(checker.Walk(tree.root, 0, 0, 0), count);
        EXPECT_EQ(checker.values, values);
        int expected_depth = count <= 51 ? 0 : (count <= 51 + 52 * 51 ? 1 : 2);
        EXPECT_EQ(checker.leaf_depth, expected_depth) << count;
        EXPECT_LE(checker.nodes, count / kMinTreeEntries + 2);
    }
}

TEST(BTree, ErasingFromABalancedBuildKeepsNodesHalfFull) {
    std::vector<uint32_t> values(5000);
    for (size_t k = 0; k < values.size(); ++k)
        values[k] = static_cast<uint32_t>(4 * (k + 1));
    MemoryNodes store;
    TreeRoot tree;
    for (uint32_t v : values)
        TreeInsert(store, tree, CompareTo(v), v);
    std::mt19937 random(7);
    std::shuffle(values.begin(), values.end(), random);
    for (size_t k = 0; k < 4900; ++k) {
        auto path = TreeFind(store, tree, CompareTo(values[k]), values[k]);
        ASSERT_TRUE(path.has_value());
        TreeEraseAt(store, tree, *path);
        if (k % 700 == 0)
            CheckTree(store, tree, false);
    }
    std::vector<uint32_t> rest(values.begin() + 4900, values.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(CheckTree(store, tree, false), rest);
}

TEST(BTree, FindByScanFindsValuesTheKeysWouldMiss) {
    MemoryNodes store;
    TreeRoot tree;
    for (uint32_t v = 4; v <= 400; v += 4)
        TreeInsert(store, tree, CompareTo(v), v);
    // A comparison that disagrees with the stored order cannot find 200, the scan can.
    auto wrong = [](uint32_t) { return -1; };
    EXPECT_FALSE(TreeFind(store, tree, wrong, 200).has_value());
    auto path = TreeFindByScan(store, tree, 200);
    ASSERT_TRUE(path.has_value());
    TreeEraseAt(store, tree, *path);
    std::vector<uint32_t> values = CheckTree(store, tree, false);
    EXPECT_EQ(std::count(values.begin(), values.end(), 200u), 0);
    EXPECT_EQ(values.size(), 99u);
}

TEST(BTree, LookupFindsTheFirstEqualKey) {
    MemoryNodes store;
    TreeRoot tree;
    // Keys are value / 1000: many values share a key.
    auto by_thousands = [](uint32_t key) {
        return [key](uint32_t value) {
            return key < value / 1000 ? -1 : (key > value / 1000 ? 1 : 0);
        };
    };
    for (uint32_t v = 4; v < 20000; v += 4)
        TreeInsert(store, tree, by_thousands(v / 1000), v);
    EXPECT_EQ(TreeLookup(store, tree, by_thousands(7)), std::optional<uint32_t>(7000));
    EXPECT_EQ(TreeLookup(store, tree, by_thousands(25)), std::nullopt);
}

}  // namespace
