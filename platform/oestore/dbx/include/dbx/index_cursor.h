// In-order walk of one index, one record address at a time, with every guard a damaged tree
// needs: markers, pointers, entry counts, loops, depth. A subtree that cannot be read is skipped
// and recorded, so the rest of the index is still listed. Inconsistencies that do not stop the
// walk (parent pointers, subtree counts, leaf depths) are recorded too.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "dbx/database.h"

namespace dbx {

class IndexCursor {
  public:
    IndexCursor(Database& db, int index, IssueList* issues);

    // The next record address in index order; false at the end.
    bool Next(uint32_t& value);
    // Whether any part of the index could not be read (its records are missing from the walk).
    bool damaged() const { return skipped_ > 0; }
    // Parts skipped: unreadable subtrees and entries without a record address.
    uint64_t skipped() const { return skipped_; }
    // Addresses of every node read so far.
    const std::unordered_set<uint32_t>& nodes() const { return visited_; }

  private:
    struct Frame {
        TreeNode node;
        uint32_t step = 0;  // even: descend into child slot step/2; odd: emit entry step/2
        uint64_t emitted = 0;
        uint32_t expected = 0;
        bool damaged = false;
        int depth = 0;
    };
    void Push(uint32_t address, uint32_t parent, uint32_t expected, int depth);
    void Pop();
    void MarkDamaged();
    void Report(const std::string& structure, uint64_t offset, const std::string& detail);

    Database& db_;
    int index_;
    IssueList* issues_;
    std::vector<Frame> stack_;
    std::unordered_set<uint32_t> visited_;
    int leaf_depth_ = -1;
    uint64_t skipped_ = 0;
};

}  // namespace dbx
