// Registry speed: a cached read, enumerating a large key, a change (locked, atomic save), and
// loading a changed hive file.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <winpal/registry.h>
#include <winpal/winpal.h>

namespace {

// A temporary prefix for one benchmark.
class BenchPrefix {
  public:
    BenchPrefix() {
        std::string pattern = (std::filesystem::temp_directory_path() / "regbench-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        setenv("WINPAL_PREFIX", path_.c_str(), 1);
    }
    ~BenchPrefix() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

HKEY Create(const char* path) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

// A hive of `keys` keys with 10 values each, as .reg text.
std::string HiveText(int keys) {
    std::string text = "Windows Registry Editor Version 5.00\n";
    for (int k = 0; k < keys; ++k) {
        text += "\n[HKEY_CURRENT_USER\\Software\\Key" + std::to_string(k) + "]\n";
        for (int v = 0; v < 10; ++v) {
            text += "\"Value" + std::to_string(v) + "\"=\"some text of moderate length\"\n";
        }
    }
    return text;
}

void QueryCachedValue(benchmark::State& state) {
    BenchPrefix prefix;
    HKEY key = Create("Software\\Bench");
    RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("value"), 6);
    char data[64];
    for (auto _ : state) {
        DWORD size = sizeof data;
        benchmark::DoNotOptimize(
            RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size));
    }
    RegCloseKey(key);
}
BENCHMARK(QueryCachedValue);

void EnumerateThousandSubkeys(benchmark::State& state) {
    BenchPrefix prefix;
    std::string text = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; i < 1000; ++i) {
        text += "\n[HKEY_CURRENT_USER\\Many\\Sub" + std::to_string(i) + "]\n";
    }
    winpal::RegImportText(text);
    HKEY key = Create("Many");
    for (auto _ : state) {
        char name[260];
        DWORD i = 0;
        for (;; ++i) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr))
                break;
        }
        benchmark::DoNotOptimize(i);
    }
    RegCloseKey(key);
}
BENCHMARK(EnumerateThousandSubkeys)->Unit(benchmark::kMicrosecond);

void SetValueInHive(benchmark::State& state) {
    BenchPrefix prefix;
    winpal::RegImportText(HiveText(static_cast<int>(state.range(0))));
    HKEY key = Create("Software\\Bench");
    DWORD n = 0;
    for (auto _ : state) {
        ++n;
        RegSetValueExA(key, "counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4);
    }
    RegCloseKey(key);
}
BENCHMARK(SetValueInHive)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

void ReloadChangedHive(benchmark::State& state) {
    BenchPrefix prefix;
    std::string text = HiveText(static_cast<int>(state.range(0)));
    std::filesystem::path file = prefix.Path() / "user.reg";
    std::filesystem::path next = prefix.Path() / "next.reg";
    std::ofstream(file, std::ios::binary) << text;
    HKEY key = Create("Software\\Key0");
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(next, std::ios::binary) << text;
        std::filesystem::rename(next, file);
        state.ResumeTiming();
        DWORD size = 0;
        benchmark::DoNotOptimize(RegQueryValueExA(key, "Value0", nullptr, nullptr, nullptr, &size));
    }
    state.counters["bytes"] = static_cast<double>(text.size());
    RegCloseKey(key);
}
BENCHMARK(ReloadChangedHive)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
