// Measures the heap the code under test uses: the test binary's operator new and delete count
// the bytes in use, and a meter reports the peak reached while it was running.
#pragma once

#include <cstdint>

namespace dbxtest {

class AllocationMeter {
  public:
    AllocationMeter();
    // The most bytes in use at once since construction, beyond what was in use then.
    uint64_t peak() const;

  private:
    int64_t baseline_;
};

}  // namespace dbxtest
