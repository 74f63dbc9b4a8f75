// Running a change with a crash or a failure at each of its writes in turn, over the simulated
// file system: what every kind of interruption leaves behind is handed to the test to judge.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "simulated_file_system.h"

namespace dbxtest {

// File contents by path.
using Files = std::map<std::string, std::string>;
using Change = std::function<void(SimulatedFileSystem&)>;

std::unique_ptr<SimulatedFileSystem> Seed(const Files& files);

struct Interruption {
    int64_t write = 0;  // the write at which the change stopped or failed
    std::string how;    // "process crash", "power loss", "power loss, some sectors written",
                        // "write failure"
    bool failure = false;
    bool reported = false;  // for a failure: the change threw the error
};

// Runs `change` on the seeded files once to count its writes, then once per write: stopped
// there by a process crash, a power loss, and a power loss that kept some unflushed sectors
// (three times, at random), and with that write failing. `judge` looks at the files each left
// behind. Returns how many writes the change makes.
int64_t ForEveryInterruption(
    const Files& files, const Change& change,
    const std::function<void(SimulatedFileSystem& left, const Interruption& how)>& judge);

}  // namespace dbxtest
