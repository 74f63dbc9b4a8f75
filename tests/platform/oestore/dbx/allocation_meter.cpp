#include "allocation_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> in_use{0};
std::atomic<int64_t> peak_in_use{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    int64_t now = in_use += static_cast<int64_t>(malloc_usable_size(p));
    int64_t peak = peak_in_use.load();
    while (now > peak && !peak_in_use.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Release(void* p) {
    if (!p)
        return;
    in_use -= static_cast<int64_t>(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

// Every plain form of new and delete goes through the meter (the aligned forms stay as they are
// and pair with each other).
void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}

namespace dbxtest {

AllocationMeter::AllocationMeter() : baseline_(in_use.load()) {
    peak_in_use = baseline_;
}

uint64_t AllocationMeter::peak() const {
    int64_t peak = peak_in_use.load() - baseline_;
    return peak > 0 ? static_cast<uint64_t>(peak) : 0;
}

}  // namespace dbxtest
