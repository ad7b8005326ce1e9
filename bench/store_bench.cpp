// What one panel drag costs the settings store on a large settings file: a
// hundred frames saved within a second, written at once on every change or
// once after the quiet period. Counters: writes per drag; the time columns
// give the wall and CPU time of the whole drag.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/sim/sim_main_queue.h"
#include "platform/store/json_defaults_store.h"

namespace {

namespace fs = std::filesystem;
using corvane::platform::JsonDefaultsStore;

constexpr int kDragSteps = 100;
constexpr double kStepSeconds = 1.0 / kDragSteps;

/// A folder on the temporary disk with a settings file of about `bytes`.
class SettingsFile {
public:
    explicit SettingsFile(std::size_t bytes) {
        std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        directory_ = pattern;
        std::ofstream out(path());
        out << "{\"previewFrame.0\": \"{{996, 24}, {420, 236}}\"";
        const std::string filler(1000, 'x');
        for (std::size_t i = 0; i * (filler.size() + 20) < bytes; ++i) {
            out << ",\n\"note." << i << "\": \"" << filler << '"';
        }
        out << "}\n";
    }
    ~SettingsFile() {
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;
    SettingsFile(SettingsFile&&) = delete;
    SettingsFile& operator=(SettingsFile&&) = delete;

    [[nodiscard]] fs::path path() const { return directory_ / "settings.json"; }

private:
    fs::path directory_;
};

/// Counts the saves that reach the rename.
class CountingStore : public JsonDefaultsStore {
public:
    using JsonDefaultsStore::JsonDefaultsStore;
    ~CountingStore() override { flush(); }
    CountingStore(const CountingStore&) = delete;
    CountingStore& operator=(const CountingStore&) = delete;
    CountingStore(CountingStore&&) = delete;
    CountingStore& operator=(CountingStore&&) = delete;
    int writes = 0;

protected:
    bool readyToReplace(const fs::path& /*temporaryFile*/) override {
        ++writes;
        return true;
    }
};

std::string frame(int step) {
    return "{{" + std::to_string(996 - step) + ", 24}, {420, 236}}";
}

void BM_PanelDragWritingAtOnce(benchmark::State& state) {
    const SettingsFile file(static_cast<std::size_t>(state.range(0)));
    CountingStore store(file.path());
    for (auto _ : state) {
        for (int step = 0; step < kDragSteps; ++step) store.set("previewFrame.0", frame(step));
    }
    state.counters["writes/drag"] = benchmark::Counter(store.writes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PanelDragWritingAtOnce)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PanelDragWritingAfterQuiet(benchmark::State& state) {
    const SettingsFile file(static_cast<std::size_t>(state.range(0)));
    corvane::sim::SimMainQueue queue;  // the drag's second passes on its clock, not in real time
    CountingStore store(file.path(), queue);
    for (auto _ : state) {
        for (int step = 0; step < kDragSteps; ++step) {
            store.set("previewFrame.0", frame(step));
            queue.advance(kStepSeconds);
        }
        queue.advance(JsonDefaultsStore::kQuietSeconds);
    }
    state.counters["writes/drag"] = benchmark::Counter(store.writes, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PanelDragWritingAfterQuiet)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
