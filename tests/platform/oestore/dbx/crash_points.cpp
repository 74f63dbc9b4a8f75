#include "crash_points.h"

#include <gtest/gtest.h>

#include "dbx/error.h"

namespace dbxtest {

std::unique_ptr<SimulatedFileSystem> Seed(const Files& files) {
    auto fs = std::make_unique<SimulatedFileSystem>();
    for (const auto& [path, bytes] : files)
        fs->Put(path, bytes);
    return fs;
}

int64_t ForEveryInterruption(
    const Files& files, const Change& change,
    const std::function<void(SimulatedFileSystem& left, const Interruption& how)>& judge) {
    auto reference = Seed(files);
    change(*reference);
    const int64_t writes = reference->mutations();
    struct Kind {
        CrashKind kind;
        uint32_t seed;
        const char* how;
    };
    const Kind kinds[] = {{CrashKind::kProcess, 0, "process crash"},
                          {CrashKind::kPowerLoss, 0, "power loss"},
                          {CrashKind::kPowerLossPartly, 1, "power loss, some sectors written"},
                          {CrashKind::kPowerLossPartly, 2, "power loss, some sectors written"},
                          {CrashKind::kPowerLossPartly, 3, "power loss, some sectors written"}};
    for (int64_t k = 0; k < writes; ++k) {
        auto fs = Seed(files);
        fs->CrashAfter(k);
        EXPECT_THROW(change(*fs), SimulatedCrash) << "crash at write " << k;
        for (const Kind& kind : kinds) {
            auto left = fs->Survivor(kind.kind, kind.seed + static_cast<uint32_t>(k) * 7);
            judge(*left, {k, kind.how, false});
        }
        // The same write failing instead: the change reports the error (or, for a write whose
        // failure it can bear, goes on).
        auto failing = Seed(files);
        failing->FailAfter(k);
        bool reported = false;
        try {
            change(*failing);
        } catch (const dbx::Error&) {
            reported = true;
        }
        judge(*failing, {k, "write failure", true, reported});
    }
    return writes;
}

}  // namespace dbxtest
