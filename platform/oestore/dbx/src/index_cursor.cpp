#include "dbx/index_cursor.h"

#include "btree.h"

namespace dbx {

IndexCursor::IndexCursor(Database& db, int index, IssueList* issues)
    : db_(db), index_(index), issues_(issues) {
    uint32_t root = db.header().root(index);
    uint32_t count = db.header().record_count(index);
    if (root) {
        Push(root, 0, count, 0);
    } else if (count != 0) {
        Report("file header", hdr::kRecordCount + 4 * index,
               "index " + std::to_string(index) + " counts " + std::to_string(count) +
                   " records but has no tree");
    }
}

void IndexCursor::Report(const std::string& structure, uint64_t offset, const std::string& detail) {
    if (issues_)
        issues_->Add(structure, offset, detail);
}

void IndexCursor::MarkDamaged() {
    ++skipped_;
    if (!stack_.empty())
        stack_.back().damaged = true;
}

void IndexCursor::Push(uint32_t address, uint32_t parent, uint32_t expected, int depth) {
    if (depth > kMaxTreeDepth) {
        Report("tree node", address,
               "the index is deeper than " + std::to_string(kMaxTreeDepth) + " levels");
        MarkDamaged();
        return;
    }
    if (!visited_.insert(address).second) {
        Report("tree node", address, "the node is reached twice (a loop in the index)");
        MarkDamaged();
        return;
    }
    Frame frame;
    try {
        frame.node = db_.ReadNode(address);
    } catch (const Error& error) {
        if (!error.issue())
            throw;
        Report(error.issue()->structure, error.issue()->offset, error.issue()->detail);
        MarkDamaged();
        return;
    }
    if (frame.node.parent != parent) {
        Report("tree node", address,
               "parent pointer " + Hex(frame.node.parent) + " where the parent is " + Hex(parent));
    }
    if (frame.node.leaf()) {
        if (leaf_depth_ < 0) {
            leaf_depth_ = depth;
        } else if (leaf_depth_ != depth) {
            Report("tree node", address,
                   "leaf at depth " + std::to_string(depth) + " where other leaves are at depth " +
                       std::to_string(leaf_depth_));
        }
    }
    frame.expected = expected;
    frame.depth = depth;
    stack_.push_back(std::move(frame));
}

void IndexCursor::Pop() {
    Frame done = std::move(stack_.back());
    stack_.pop_back();
    if (!done.damaged && done.emitted != done.expected) {
        if (stack_.empty()) {
            Report("file header", hdr::kRecordCount + 4 * index_,
                   "index " + std::to_string(index_) + " holds " + std::to_string(done.emitted) +
                       " records where the header counts " + std::to_string(done.expected));
        } else {
            Report("tree node", done.node.address,
                   "subtree holds " + std::to_string(done.emitted) +
                       " values where its parent counts " + std::to_string(done.expected));
        }
    }
    if (!stack_.empty()) {
        stack_.back().emitted += done.emitted;
        stack_.back().damaged = stack_.back().damaged || done.damaged;
    }
}

bool IndexCursor::Next(uint32_t& value) {
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        size_t entries = frame.node.entries.size();
        if (frame.step > 2 * entries) {
            Pop();
            continue;
        }
        uint32_t step = frame.step++;
        if (step % 2 == 0) {
            size_t slot = step / 2;
            if (uint32_t child = frame.node.child(slot)) {
                Push(child, frame.node.address, frame.node.count(slot), frame.depth + 1);
            }
            continue;
        }
        const TreeEntry& entry = frame.node.entries[step / 2];
        frame.emitted++;
        if (entry.value == 0) {
            Report("tree node", frame.node.address,
                   "entry " + std::to_string(step / 2) + " has no record address");
            frame.damaged = true;
            ++skipped_;
            continue;
        }
        value = entry.value;
        return true;
    }
    return false;
}

}  // namespace dbx
