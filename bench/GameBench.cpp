// Benchmarks of the game's hot paths against a plain frame copy.
// Run: build/default/bench/vilmar_bench   (prints each time as a ratio too)

#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <map>
#include <vector>

#include "actors/Mug.h"
#include "input/InputTape.h"
#include "input/KeyReader.h"
#include "input/KeyboardInput.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "world/BarGame.h"

using namespace vilmar;

namespace {

constexpr std::size_t FRAME_BYTES = 424 * 300;

// Composition only: showing the frame is the frontend's copy, not measured here.
struct QuietPlatform : HeadlessPlatform {
  void present(std::span<const std::uint8_t>, int, int, const Palette&) override {}
};

struct BusyLevel {
  QuietPlatform platform;
  KeyReader keys{platform};
  KeyboardInput keyboard{keys};
  std::unique_ptr<BarGame> world;
  int tick = 0;
  // With a tape, every key read and clock read of the world is recorded,
  // as in every game the player plays.
  InputTape tape;
  bool recording = false;

  explicit BusyLevel(bool record = false) : recording(record) {
    if (recording) keyboard.useTape(&tape);
    // Until the artwork is compiled in, a plain palette lets the frame be drawn.
    if (platform.resource(ResourceType::Bitmap, 139).empty()) platform.setResource(ResourceType::Bitmap, 139, greys());
    rebuild();
  }
  static std::vector<std::uint8_t> greys() {
    std::vector<std::uint8_t> dib(40 + 1024 + 4, 0);
    dib[0] = 40;
    dib[4] = dib[8] = dib[12] = 1;
    dib[14] = 8;
    for (std::size_t i = 0; i < 256; ++i) dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = static_cast<std::uint8_t>(255 - i);
    return dib;
  }
  void rebuild() {
    if (recording) tape.startRecording(40);
    world = std::make_unique<BarGame>(platform, keyboard, 20, recording ? &tape : nullptr);
    // Serve on every bar for a while so that several mugs slide on the bars.
    for (tick = 0; tick < 64; ++tick) step();
  }
  void step() {
    if (tick % 8 == 0) platform.keyTap(Key::Space);
    if (tick % 8 == 6) platform.keyTap(Key::Down);
    // A millisecond of jitter now and then, as a real clock has.
    platform.now += tick % 5 == 0 ? 41 : 40;
    world->update();
    if (recording) tape.endTick();
  }
};

void BM_FrameCopy(benchmark::State& state) {
  std::vector<std::uint8_t> from(FRAME_BYTES, 7), to(FRAME_BYTES);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), FRAME_BYTES);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameCopy);

void BM_ComposeBusyFrame(benchmark::State& state) {
  BusyLevel level;
  std::size_t mugs = 0;
  level.world->allActors().forEach([&](ListItem* i) { mugs += dynamic_cast<Mug*>(i) != nullptr; });
  for (auto _ : state) {
    level.world->render();
    benchmark::ClobberMemory();
  }
  state.counters["actors"] = level.world->allActors().count();
  state.counters["mugs"] = static_cast<double>(mugs);
}
BENCHMARK(BM_ComposeBusyFrame);

void BM_UpdateBusyLevel(benchmark::State& state) {
  BusyLevel level;
  for (auto _ : state) {
    level.step();
    ++level.tick;
    if (level.world->gameOver() || level.world->level().get() != 20 || level.tick > 400) {
      state.PauseTiming();
      level.rebuild();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_UpdateBusyLevel);

// The same ticks with the recording on: the difference is its whole cost.
void BM_UpdateBusyLevelRecorded(benchmark::State& state) {
  BusyLevel level(true);
  for (auto _ : state) {
    level.step();
    ++level.tick;
    if (level.world->gameOver() || level.world->level().get() != 20 || level.tick > 400) {
      state.PauseTiming();
      level.rebuild();
      state.ResumeTiming();
    }
  }
  state.counters["keyChanges"] = static_cast<double>(level.tape.recorded().keys.size());
}
BENCHMARK(BM_UpdateBusyLevelRecorded);

void BM_BuildWorld(benchmark::State& state) {
  HeadlessPlatform platform;
  KeyReader keys{platform};
  KeyboardInput keyboard{keys};
  for (auto _ : state) {
    BarGame world(platform, keyboard);
    benchmark::DoNotOptimize(world.pictures().all.data());
  }
}
BENCHMARK(BM_BuildWorld);

// Prints every benchmark's time as a multiple of the frame copy's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      times_[r.benchmark_name()] = r.GetAdjustedRealTime();
      cpu_[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double copy = times_["BM_FrameCopy"];
    if (copy <= 0) return;
    std::cout << "\nRatios to one frame copy (limits: compose 3, update 1, build 10):\n";
    for (const auto& [name, t] : times_)
      if (name != "BM_FrameCopy") std::printf("  %-26s %8.2f x\n", name.c_str(), t / copy);
    // Processor time: on a shared machine the wall clock also counts waiting.
    const double plain = cpu_["BM_UpdateBusyLevel"];
    if (plain > 0 && cpu_.count("BM_UpdateBusyLevelRecorded") != 0)
      std::printf("\nA tick recorded against one not recorded (processor time): %.3f x\n",
                  cpu_["BM_UpdateBusyLevelRecorded"] / plain);
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> cpu_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
