// The dimmer module in the bench's host, with the faults that scripts cannot
// make: refusals of the sound device, a lock in two parts, folder names at
// the edge of their block, and what a long session of clicks leaves behind.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of the heap in use (its allocator replaces malloc's).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "bench/host/host.h"
#include "bench/world/world.h"
#include "dimmer/scenario_sounds.h"
#include "platform/host_world.h"

namespace {

namespace fs = std::filesystem;
using platform::SoundCall;
using wavefix::Bytes;
using wavefix::PcmFormat;
using wavefix::Riff;

const fs::path kModules = GAUGE_MODULE_DIR;
constexpr uint32_t kClickBytes = 2204;

// Every host call the gauge makes, and every play.
class Recorder : public bench::HostObserver {
 public:
  std::vector<std::string> calls;
  std::vector<uint32_t> plays;
  std::vector<std::string> faults;
  void KeyEvent(const bench::Gauge&, uint32_t, int32_t) override {}
  void LookUp(const bench::Gauge&, int32_t) override {}
  void Register(const bench::Gauge&, const char*) override {}
  void Unregister(const bench::Gauge&, const char*) override {}
  void Bind(const bench::Gauge&, const char*, bool) override {}
  void Play(const bench::Gauge&, uint32_t bytes) override { plays.push_back(bytes); }
  void Fault(const bench::Gauge&, const std::string& what) override { faults.push_back(what); }
  void HostCall(const bench::Gauge&, const char* operation) override { calls.push_back(operation); }
};

// A panel with the dimmer on it, the host's window, registry key and click.
class Panel {
 public:
  explicit Panel(const Bytes& clickFile = Riff("WAVE", {{"fmt ", PcmFormat(1, 22050, 16)},
                                                       {"data", dimmer_sounds::Click()}})) {
    world.set_window(true);
    world.SetRegistryValue("PlayerName", "Pilot");
    world.SetRegistryValue("path", world.HostDirText());
    PutSound("click.wav", clickFile);
    host.set_observer(&recorder);
    gauge = &host.Load("dimmer", kModules / bench::ModuleLibrary::FileName("dimmer"));
  }
  ~Panel() { platform::ResetFaults(); }

  void PutSound(const std::string& name, const Bytes& bytes) {
    std::ofstream out(world.soundDir() / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  void Start() {
    host.Install(*gauge, 0);
    host.Initialize(*gauge);
  }
  void Click(size_t area = 4) { host.CallArea(*gauge, area); }
  void Frame() {
    host.Update(*gauge);
    world.PassFrame();
  }
  void Kill() { host.Kill(*gauge); }

  // Plays since the last look.
  std::vector<uint32_t> TakePlays() { return std::exchange(recorder.plays, {}); }

  // The samples of the mix, when one is being recorded.
  Bytes MixSamples() const {
    const Bytes file = world.mix()->WaveFile();
    return Bytes(file.begin() + 44, file.end());
  }

  bench::World world;
  Recorder recorder;
  bench::Host host;
  bench::Gauge* gauge = nullptr;
};

TEST(DimmerSounds, TheScenarioFilesAreTheOnesTheFixturesMake) {
  for (const auto& [name, bytes] : dimmer_sounds::ScenarioSounds()) {
    SCOPED_TRACE(name);
    std::ifstream in(fs::path(DIMMER_SOURCE_DIR) / "scenarios" / "sounds" / name, std::ios::binary);
    ASSERT_TRUE(in) << "missing; make_dimmer_sounds dimmer/scenarios/sounds makes it";
    const Bytes stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, bytes) << "remake it with make_dimmer_sounds dimmer/scenarios/sounds";
  }
}

TEST(DimmerLifecycle, KillReleasesTheSoundThenTheMouseListThenTheElements) {
  const platform::Census before = platform::TakeCensus();
  Panel panel;
  panel.Start();
  panel.Click();
  panel.Click();
  EXPECT_EQ(panel.TakePlays(), (std::vector<uint32_t>{kClickBytes, kClickBytes}));
  EXPECT_EQ(platform::TakeCensus().devices, before.devices + 1);
  EXPECT_EQ(platform::TakeCensus().buffers, before.buffers + 2);  // both still playing
  panel.recorder.calls.clear();
  panel.Kill();
  EXPECT_EQ(panel.recorder.calls,
            (std::vector<std::string>{"MouseListUnregister", "ElementListKill"}));
  const platform::Census after = platform::TakeCensus();
  EXPECT_EQ(after.devices, before.devices);
  EXPECT_EQ(after.buffers, before.buffers);
  EXPECT_EQ(after.openFiles, before.openFiles);
  EXPECT_EQ(after.openKeys, before.openKeys);
  EXPECT_TRUE(panel.recorder.faults.empty());
}

TEST(ClickSound, EveryRefusalTurnsSoundOffForGood) {
  const SoundCall calls[] = {SoundCall::kDirectSoundCreate, SoundCall::kSetCooperativeLevel,
                             SoundCall::kCreateSoundBuffer, SoundCall::kLock,
                             SoundCall::kUnlock,            SoundCall::kSetCurrentPosition,
                             SoundCall::kPlay};
  const platform::Census before = platform::TakeCensus();
  for (SoundCall call : calls) {
    SCOPED_TRACE(static_cast<int>(call));
    Panel panel;
    platform::RefuseNext(call);
    panel.Start();
    panel.Click();
    panel.Click();
    panel.Frame();
    panel.Click();
    EXPECT_TRUE(panel.TakePlays().empty());
    EXPECT_EQ(panel.gauge->values[1].value[0], 3.0);  // the knob turned anyway
    // Nor after the panel is built anew.
    panel.Kill();
    panel.Start();
    panel.Click();
    EXPECT_TRUE(panel.TakePlays().empty());
    panel.Kill();
    EXPECT_EQ(platform::TakeCensus().buffers, before.buffers);
    EXPECT_EQ(platform::TakeCensus().devices, before.devices);
  }
}

TEST(ClickSound, AStatusItCannotGetEndsAnEarlierBufferNotTheSound) {
  Panel panel;
  panel.Start();
  panel.Click();
  platform::RefuseNext(SoundCall::kGetStatus);
  panel.Click();
  panel.Click();
  EXPECT_EQ(panel.TakePlays().size(), 3u);
  panel.Kill();
}

// The registry's "path" with exactly `length` characters, naming the host folder.
std::string PathOfLength(const bench::World& world, size_t length) {
  std::string path = world.HostDirText();
  if (path.size() % 2 != length % 2) path += "\\";  // "x\\Sound" is "x\Sound" on disk
  while (path.size() < length) path += "\\.";
  return path;
}

TEST(ClickSound, FolderNamesThatLeaveNoRoomTurnSoundOffWithoutOverflowing) {
  // The folder's name, "\Sound\", "click.wav" and the terminating zero must
  // fit in 260 bytes: a "path" of 243 characters is the longest that plays.
  const struct {
    size_t length;
    bool plays;
  } cases[] = {{200, true}, {243, true}, {244, false}, {252, false}, {253, false},
               {259, false}, {260, false}, {400, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    Panel panel;
    const std::string path = PathOfLength(panel.world, c.length);
    ASSERT_EQ(path.size(), c.length);
    panel.world.SetRegistryValue("path", path);
    panel.Start();
    panel.Click();
    panel.Click();
    EXPECT_EQ(panel.TakePlays().size(), c.plays ? 2u : 0u);
    panel.Kill();
  }
}

TEST(ClickSound, ALockInTwoPartsGetsTheWholeSoundInOrder) {
  for (uint32_t turn : {1u, 1000u, kClickBytes - 1}) {
    SCOPED_TRACE(turn);
    Panel panel;
    panel.world.RecordSound(fs::path(panel.world.hostDir()) / "mix.wav");
    platform::SetBufferTurn(turn);
    panel.Start();
    panel.Click();
    EXPECT_EQ(panel.MixSamples(), dimmer_sounds::Click());
    panel.Kill();
  }
}

TEST(ClickSound, WhatAShortDataChunkLacksIsSilence) {
  // The buffer keeps the chunk's size; the bytes the file does not hold are
  // silence: 0 for 16-bit sound, the middle value 128 for unsigned 8-bit.
  const Bytes click = dimmer_sounds::Click();
  const Bytes part(click.begin(), click.begin() + 1000);
  {
    Panel panel(Riff("WAVE", {{"fmt ", PcmFormat(1, 22050, 16)}, {"data", part, 4000u}}));
    panel.world.RecordSound(fs::path(panel.world.hostDir()) / "mix.wav");
    panel.Start();
    panel.Click();
    EXPECT_EQ(panel.TakePlays(), std::vector<uint32_t>{4000});
    Bytes expected = part;
    expected.resize(4000, 0);
    EXPECT_EQ(panel.MixSamples(), expected);
    panel.Kill();
  }
  {
    const Bytes ramp = wavefix::RampSamples8(300);
    Panel panel(Riff("WAVE", {{"fmt ", PcmFormat(1, 11025, 8)}, {"data", ramp, 1001u}}));
    panel.world.RecordSound(fs::path(panel.world.hostDir()) / "mix.wav");
    panel.Start();
    panel.Click();
    Bytes expected = ramp;
    expected.resize(1001, 0x80);
    expected.push_back(0);  // the mix file's pad byte after an odd data chunk
    EXPECT_EQ(panel.MixSamples(), expected);
    panel.Kill();
  }
}

TEST(ClickSound, TheFormatRecordClaimsNoBytesBeyondItsEighteen) {
  const Bytes click = dimmer_sounds::Click();
  Bytes extended = PcmFormat(2, 11025, 16, true);
  extended[16] = 22;  // an extra-size field naming 22 bytes that the record does not hold
  extended.resize(40, 0);
  const struct {
    const char* what;
    Bytes format;
  } cases[] = {{"16-byte chunk followed by data", PcmFormat(2, 11025, 16)},
               {"18-byte chunk", PcmFormat(2, 11025, 16, true)},
               {"40-byte chunk", extended}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Panel panel(Riff("WAVE", {{"fmt ", c.format}, {"data", click}}));
    panel.Start();
    panel.Click();
    EXPECT_EQ(panel.TakePlays(), std::vector<uint32_t>{kClickBytes});
    const std::array<uint8_t, 18> handed = platform::LastBufferFormat();
    EXPECT_EQ(0, std::memcmp(handed.data(), c.format.data(), 16));
    EXPECT_EQ(handed[16], 0);
    EXPECT_EQ(handed[17], 0);
    panel.Kill();
  }
}

TEST(ClickSound, QuickClicksOverlapAndEndedBuffersAreGivenBack) {
  const platform::Census before = platform::TakeCensus();
  Panel panel;
  panel.world.RecordSound(fs::path(panel.world.hostDir()) / "mix.wav");
  panel.Start();
  panel.Click(1);
  panel.Click(2);
  panel.Click(3);
  EXPECT_EQ(panel.TakePlays().size(), 3u);
  // All three play at once: none was cut short to make way for the next.
  EXPECT_EQ(platform::TakeCensus().buffers, before.buffers + 3);
  const Bytes click = dimmer_sounds::Click();
  const Bytes mix = panel.MixSamples();
  ASSERT_EQ(mix.size(), click.size());
  for (size_t i = 0; i < click.size(); i += 2) {
    const auto one = static_cast<int16_t>(click[i] | click[i + 1] << 8);
    const auto all = static_cast<int16_t>(mix[i] | mix[i + 1] << 8);
    EXPECT_EQ(all, std::clamp(3 * one, -32768, 32767)) << "sample " << i / 2;
  }
  // A frame later (1/18 s) the 0.05-second clicks have ended; the next click
  // gives their buffers back and plays its own.
  panel.Frame();
  panel.Click(4);
  EXPECT_EQ(panel.TakePlays().size(), 1u);
  EXPECT_EQ(platform::TakeCensus().buffers, before.buffers + 1);
  panel.Kill();
  EXPECT_EQ(platform::TakeCensus().buffers, before.buffers);
}

size_t OpenDescriptors() {
  size_t count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

size_t AllocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

TEST(ClickSound, ManyClicksHoldMemoryAndOpenFilesFlat) {
  // A long session: clicks a frame apart and bursts of quick ones. What the
  // process holds after the first thousand clicks is what it holds after
  // twenty thousand.
  // Counting plays is all the host does with what the gauge tells it.
  struct PlayCounter : Recorder {
    size_t count = 0;
    void Play(const bench::Gauge&, uint32_t) override { ++count; }
    void HostCall(const bench::Gauge&, const char*) override {}
  } counter;
  Panel panel;
  panel.host.set_observer(&counter);
  panel.Start();
  auto session = [&](int clicks) {
    for (int i = 0; i < clicks; ++i) {
      panel.Click(static_cast<size_t>(1 + i % 7));
      if (i % 10 != 9) panel.Frame();  // every tenth click comes right after the one before
    }
  };
  session(1000);
  ASSERT_EQ(counter.count, 1000u);
  const platform::Census census = platform::TakeCensus();
  const size_t descriptors = OpenDescriptors();
  const size_t allocated = AllocatedBytes();
  session(20000);
  EXPECT_EQ(counter.count, 21000u);
  const platform::Census later = platform::TakeCensus();
  EXPECT_EQ(later.openFiles, census.openFiles);
  EXPECT_EQ(later.openKeys, census.openKeys);
  EXPECT_EQ(later.devices, census.devices);
  EXPECT_LE(later.buffers, 2);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  // A little slack for the allocator's own bookkeeping; one click's buffer
  // alone is over 2000 bytes, and a leak per click would be 20000 of them.
  EXPECT_LE(AllocatedBytes(), allocated + 8192);
  panel.Kill();
}

}  // namespace
