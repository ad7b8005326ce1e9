// The controller's own cost per tick and per switch, with the platform in
// memory: what the logic adds on top of the real backend's round trips.

#include <benchmark/benchmark.h>

#include "corvane/controller/controller.h"
#include "platform/sim/sim_desktop.h"

namespace {

using corvane::Controller;

void populate(corvane::sim::SimDesktop& desk, int games, int others) {
    for (int i = 0; i < games; ++i) {
        desk.addGame(1000 + i, i);
        desk.addWindow(1000 + i, {0, 0, 1280, 720});
    }
    for (int i = 0; i < others; ++i) {
        desk.addApp(
            {"org.example.app" + std::to_string(i), 5000 + i, corvane::platform::Date{1}, false, false});
        desk.addWindow(5000 + i, {0, 0, 640, 480});
    }
}

void BM_Tick(benchmark::State& state) {
    corvane::sim::SimDesktop desk;
    populate(desk, 3, static_cast<int>(state.range(0)));
    desk.setFrontmost(1000);
    auto controller = Controller::create(desk.platform());
    for (auto _ : state) {
        controller->tick();
        state.PauseTiming();
        desk.calls().clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Tick)->Arg(0)->Arg(50)->Arg(200);

void BM_SwitchToNext(benchmark::State& state) {
    corvane::sim::SimDesktop desk;
    populate(desk, static_cast<int>(state.range(0)), 0);
    auto controller = Controller::create(desk.platform());
    for (auto _ : state) {
        controller->switchToNext();
        state.PauseTiming();
        desk.calls().clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchToNext)->Arg(2)->Arg(5);

}  // namespace
