// What the benchmarks that drive the Quillbox control share: a fresh prefix with the control,
// the store and the address book registered, the control in a headless site, and late-bound
// calls by name.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <winpal/winpal.h>

namespace bench {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since);

// WORK_DIR from the command line's first argument, else /dev/shm (or /tmp without it).
std::filesystem::path WorkDir(int argc, char** argv);

// A new, empty `root` whose "prefix" folder becomes WINPAL_PREFIX, with the store, the control
// and the address book registered from the program's own folder; exits when that fails.
std::filesystem::path RegisteredPrefix(const std::filesystem::path& root);

// The program's folder, where the libraries and tools are.
std::filesystem::path ProgramFolder();

// Makes the control in a headless site (its window opens the store and loads the folder tree),
// runs `job` on it and gives it up again; returns the seconds the making took. Exits when the
// control cannot be made.
double WithControl(const std::function<void(IDispatch*)>& job);

winpal::Variant Call(IDispatch* target, const std::u16string& name,
                     const std::vector<winpal::Variant>& args = {});
// Sets property `name` of `target` to `value`.
void Put(IDispatch* target, const std::u16string& name, const winpal::Variant& value);
winpal::ComPtr<IDispatch> Object(const winpal::Variant& value);

}  // namespace bench
