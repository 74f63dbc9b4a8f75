// Counts what keeps the library loaded: live objects and class-factory locks. DllCanUnloadNow
// answers S_OK only when both are zero.
#pragma once

#include <atomic>

namespace oestore {

class ModuleLock {
  public:
    static void Add() { count_.fetch_add(1); }
    static void Remove() { count_.fetch_sub(1); }
    static bool Idle() { return count_.load() == 0; }

  private:
    static inline std::atomic<long> count_{0};
};

// A member that holds the module for the life of the object that contains it.
class ModuleReference {
  public:
    ModuleReference() { ModuleLock::Add(); }
    ModuleReference(const ModuleReference&) : ModuleReference() {}
    ModuleReference& operator=(const ModuleReference&) = default;
    ~ModuleReference() { ModuleLock::Remove(); }
};

}  // namespace oestore
