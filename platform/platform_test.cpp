// The stand-ins for the Windows services, held to what the click sound and a
// real Windows rely on: RIFF chunk reading, the window and registry of the
// world, and the software sound device.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/host_world.h"
#include "platform/wave_fixtures.h"
#include "platform/windows_services.h"

namespace {

namespace fs = std::filesystem;
using wavefix::Bytes;
using wavefix::Chunk;
using wavefix::PcmFormat;
using wavefix::Riff;

constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr const char* kHostKey = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\7.0";

// A world of the test's own making.
class TestWorld : public platform::HostWorld {
 public:
  TestWorld() { platform::ConnectWorld(this); }
  ~TestWorld() override {
    platform::ConnectWorld(nullptr);
    platform::ResetFaults();
  }

  bool window = true;
  bool key = true;
  std::map<std::string, std::string> values;  // lower-case names
  double seconds = 0.0;
  struct Heard {
    Bytes bytes;
    uint32_t bufferBytes;
    double at;
  };
  std::vector<Heard> heard;

  bool HasWindow(std::string_view windowClass) const override {
    return window && Lower(windowClass) == "fs98main";
  }
  bool HasRegistryKey(std::string_view path) const override {
    return key && Lower(path) == Lower(kHostKey);
  }
  std::optional<std::string> RegistryValue(std::string_view path,
                                           std::string_view name) const override {
    if (!HasRegistryKey(path)) return std::nullopt;
    auto it = values.find(Lower(name));
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  double Seconds() const override { return seconds; }
  void Played(const platform::PlayedSound& sound) override {
    heard.push_back({Bytes(sound.data, sound.data + sound.bytes), sound.bufferBytes, seconds});
  }

  static std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  }
};

// A fresh folder for the test's files, removed afterwards.
class Folder {
 public:
  Folder() {
    std::random_device entropy;
    path_ = fs::temp_directory_path() / ("platform-test-" + std::to_string(entropy()));
    fs::create_directories(path_);
  }
  ~Folder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

  std::string Write(const std::string& name, const Bytes& bytes) const {
    const fs::path file = path_ / name;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

 private:
  fs::path path_;
};

HMMIO Open(const std::string& name) {
  std::string text = name;
  return mmioOpenA(text.data(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
}

// ---------------------------------------------------------------------------
// RIFF files

TEST(RiffFile, ReadsTheChunksOfAPcmFileWithEitherFormSize) {
  const Bytes samples = wavefix::ClickSamples16(50);
  for (bool extraSize : {false, true}) {
    SCOPED_TRACE(extraSize ? "18-byte fmt" : "16-byte fmt");
    Folder folder;
    const Bytes format = PcmFormat(1, 22050, 16, extraSize);
    const std::string file = folder.Write("click.wav", Riff("WAVE", {{"fmt ", format}, {"data", samples}}));
    HMMIO h = Open(file);
    ASSERT_NE(h, nullptr);

    MMCKINFO riff{};
    riff.fccType = kWave;
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, mmioFOURCC('R', 'I', 'F', 'F'));
    EXPECT_EQ(riff.dwDataOffset, 8u);  // the form type's offset
    MMCKINFO chunk{};
    chunk.ckid = kFmt;
    ASSERT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, format.size());
    EXPECT_EQ(chunk.dwDataOffset, 20u);
    // Eighteen bytes whatever the chunk holds: a 16-byte chunk gives the
    // next chunk's first two bytes.
    uint8_t record[18];
    ASSERT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(record), 18), 18);
    EXPECT_EQ(0, std::memcmp(record, format.data(), format.size()));
    if (!extraSize) {
      EXPECT_EQ(0, std::memcmp(record + 16, "da", 2));
    }
    ASSERT_EQ(mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);
    chunk.ckid = kData;
    ASSERT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    ASSERT_EQ(chunk.cksize, samples.size());
    Bytes read(samples.size());
    EXPECT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(read.data()), static_cast<LONG>(read.size())),
              static_cast<LONG>(samples.size()));
    EXPECT_EQ(read, samples);
    EXPECT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(read.data()), 4), 0);  // the end: no error
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
  }
}

TEST(RiffFile, SkipsOddChunksAndTheirPadBytes) {
  Folder folder;
  const Bytes samples = wavefix::RampSamples8(101);
  const std::string file = folder.Write(
      "padded.wav", Riff("WAVE", {{"JUNK", {1, 2, 3, 4, 5}}, {"fmt ", PcmFormat(1, 11025, 8)},
                                  {"cue ", {9, 9, 9}}, {"data", samples}, {"note", {7}}}));
  HMMIO h = Open(file);
  ASSERT_NE(h, nullptr);
  MMCKINFO riff{};
  riff.fccType = kWave;
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO chunk{};
  chunk.ckid = kFmt;
  ASSERT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 8u + 6u + 8u);  // after JUNK, its pad byte and fmt's header
  ASSERT_EQ(mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);
  chunk.ckid = kData;
  ASSERT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  ASSERT_EQ(chunk.cksize, 101u);
  Bytes read(101);
  ASSERT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(read.data()), 101), 101);
  EXPECT_EQ(read, samples);
  // Ascending from the odd data chunk steps over its pad byte onto "note".
  ASSERT_EQ(mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);
  MMCKINFO next{};
  ASSERT_EQ(mmioDescend(h, &next, &riff, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(next.ckid, mmioFOURCC('n', 'o', 't', 'e'));
  mmioClose(h, 0);
}

TEST(RiffFile, FindsNothingThatIsNotThere) {
  const Bytes samples = wavefix::ClickSamples16(20);
  const Bytes format = PcmFormat(1, 22050, 16);
  struct Case {
    const char* what;
    Bytes file;
    bool riffFound;
    bool fmtFound;
    bool dataFound;  // searched for after the "fmt " chunk
  };
  // A RIFF chunk whose size ends before the data chunk that follows it.
  Bytes shortRiff = Riff("WAVE", {{"fmt ", format}});
  const Bytes dataChunk = wavefix::ChunkBytes({"data", samples});
  shortRiff.insert(shortRiff.end(), dataChunk.begin(), dataChunk.end());
  const std::vector<Case> cases = {
      {"not a RIFF file", {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'}, false, false, false},
      {"an empty file", {}, false, false, false},
      {"a cut RIFF header", {'R', 'I', 'F', 'F', 4, 0}, false, false, false},
      {"not a WAVE form", Riff("AVI ", {{"fmt ", format}, {"data", samples}}), false, false, false},
      {"data before fmt", Riff("WAVE", {{"data", samples}, {"fmt ", format}}), true, true, false},
      {"no data", Riff("WAVE", {{"fmt ", format}}), true, true, false},
      {"no fmt", Riff("WAVE", {{"data", samples}}), true, false, false},
      {"data outside the RIFF chunk", shortRiff, true, true, false},
      {"a data size past the end", Riff("WAVE", {{"JUNK", {1}, 0x7ffffff0u}, {"fmt ", format}}), true,
       false, false},
  };
  const int openBefore = platform::TakeCensus().openFiles;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder;
    HMMIO h = Open(folder.Write("sound.wav", c.file));
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = kWave;
    const bool riffFound = mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR;
    EXPECT_EQ(riffFound, c.riffFound);
    if (riffFound) {
      MMCKINFO chunk{};
      chunk.ckid = kFmt;
      const bool fmtFound = mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
      EXPECT_EQ(fmtFound, c.fmtFound);
      if (fmtFound) {
        ASSERT_EQ(mmioAscend(h, &chunk, 0), MMSYSERR_NOERROR);
        chunk.ckid = kData;
        EXPECT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR, c.dataFound);
      }
    }
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(platform::TakeCensus().openFiles, openBefore);
}

TEST(RiffFile, ADataChunkLongerThanTheFileReadsWhatThereIs) {
  Folder folder;
  const Bytes samples = wavefix::ClickSamples16(500);
  HMMIO h = Open(folder.Write("cut.wav", Riff("WAVE", {{"fmt ", PcmFormat(1, 22050, 16)},
                                                      {"data", samples, 4000u}})));
  ASSERT_NE(h, nullptr);
  MMCKINFO riff{};
  riff.fccType = kWave;
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO chunk{};
  chunk.ckid = kData;
  ASSERT_EQ(mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 4000u);
  Bytes read(4000);
  EXPECT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(read.data()), 4000), 1000);
  mmioClose(h, 0);
}

TEST(RiffFile, OpensFileNamesTheWindowsWay) {
  const int openBefore = platform::TakeCensus().openFiles;
  Folder folder;
  folder.Write("Sound/Click.WAV", {1, 2, 3});
  const std::string base = folder.path().string();
  // Backslashes separate folders; names match without regard to case.
  for (const std::string& name : {base + "\\Sound\\click.wav", base + "/SOUND/CLICK.wav",
                                  base + "\\\\sound\\.\\Click.WAV"}) {
    SCOPED_TRACE(name);
    HMMIO h = Open(name);
    ASSERT_NE(h, nullptr);
    char bytes[3] = {};
    EXPECT_EQ(mmioRead(h, bytes, 3), 3);
    EXPECT_EQ(bytes[2], 3);
    mmioClose(h, 0);
  }
  EXPECT_EQ(Open(base + "\\Sound\\missing.wav"), nullptr);
  EXPECT_EQ(Open(base + "\\Sound"), nullptr);  // a folder is no file
  std::string name = base + "\\Sound\\click.wav";
  EXPECT_EQ(mmioOpenA(name.data(), nullptr, 0x1 /* write */), nullptr);
  EXPECT_EQ(mmioOpenA(nullptr, nullptr, MMIO_READ), nullptr);
  EXPECT_EQ(mmioRead(nullptr, name.data(), 1), -1);
  EXPECT_NE(mmioClose(nullptr, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(platform::TakeCensus().openFiles, openBefore);
}

// ---------------------------------------------------------------------------
// The host's window and registry key

TEST(HostWindow, IsFoundWhileTheWorldHasIt) {
  {
    TestWorld world;
    HWND window = FindWindowA("FS98MAIN", nullptr);
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(FindWindowA("fs98main", nullptr), window);
    EXPECT_EQ(FindWindowA("OTHER", nullptr), nullptr);
    world.window = false;
    EXPECT_EQ(FindWindowA("FS98MAIN", nullptr), nullptr);
  }
  EXPECT_EQ(FindWindowA("FS98MAIN", nullptr), nullptr);  // no world, no window
}

TEST(HostRegistry, AnswersAsTheRealRegistryDoes) {
  TestWorld world;
  world.values["playername"] = "Pilot";
  world.values["path"] = "C:\\FS98";
  const int keysBefore = platform::TakeCensus().openKeys;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHostKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(platform::TakeCensus().openKeys, keysBefore + 1);

  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "PLAYERNAME", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);  // the text and its terminating zero
  char block[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  size = 7;
  EXPECT_EQ(RegQueryValueExA(key, "path", nullptr, nullptr, reinterpret_cast<LPBYTE>(block), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<LPBYTE>(block), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(block, "C:\\FS98");
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "path", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(platform::TakeCensus().openKeys, keysBefore);

  world.key = false;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHostKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
}

// ---------------------------------------------------------------------------
// The software sound device

WAVEFORMATEX Format(uint16_t channels, uint32_t rate, uint16_t bits) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

DSBUFFERDESC Description(DWORD bytes, WAVEFORMATEX* format) {
  DSBUFFERDESC d{};
  d.dwSize = sizeof d;
  d.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  d.dwBufferBytes = bytes;
  d.lpwfxFormat = format;
  return d;
}

class SoundDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    before = platform::TakeCensus();
    ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    ASSERT_EQ(device->SetCooperativeLevel(FindWindowA("FS98MAIN", nullptr), DSSCL_NORMAL), DS_OK);
  }
  void TearDown() override {
    device->Release();
    EXPECT_EQ(platform::TakeCensus().devices, before.devices);
    EXPECT_EQ(platform::TakeCensus().buffers, before.buffers);
  }

  // A buffer holding `bytes`, written through a lock from offset 0.
  IDirectSoundBuffer* Filled(const Bytes& bytes, WAVEFORMATEX format) {
    DSBUFFERDESC d = Description(static_cast<DWORD>(bytes.size()), &format);
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    EXPECT_EQ(buffer->Lock(0, d.dwBufferBytes, &p1, &n1, &p2, &n2, 0), DS_OK);
    std::memcpy(p1, bytes.data(), n1);
    if (p2 != nullptr) std::memcpy(p2, bytes.data() + n1, n2);
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
    return buffer;
  }

  TestWorld world;
  platform::Census before;
  IDirectSound* device = nullptr;
};

TEST_F(SoundDevice, TakesBuffersOfFourBytesUpToItsLimitOnly) {
  WAVEFORMATEX format = Format(1, 11025, 8);
  for (DWORD bytes : {0u, 1u, 3u, 4u, 5u, DSBSIZE_MAX + 1, 0xFFFFFFFFu}) {
    SCOPED_TRACE(bytes);
    DSBUFFERDESC d = Description(bytes, &format);
    IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(&d);  // overwritten
    const HRESULT result = device->CreateSoundBuffer(&d, &buffer, nullptr);
    if (bytes >= DSBSIZE_MIN && bytes <= DSBSIZE_MAX) {
      ASSERT_EQ(result, DS_OK);
      buffer->Release();
    } else {
      EXPECT_NE(result, DS_OK);
      EXPECT_EQ(buffer, nullptr);
    }
  }
}

TEST_F(SoundDevice, RefusesWhatItCannotPlay) {
  struct Case {
    const char* what;
    void (*change)(DSBUFFERDESC&, WAVEFORMATEX&);
  };
  const Case cases[] = {
      {"a compressed format", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.wFormatTag = 2; }},
      {"no channels", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.nChannels = 0; }},
      {"12-bit samples", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.wBitsPerSample = 12; }},
      {"a rate of 50 Hz", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.nSamplesPerSec = 50; f.nAvgBytesPerSec = 100; }},
      {"a wrong block size", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.nBlockAlign = 3; }},
      {"a wrong byte rate", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.nAvgBytesPerSec += 1; }},
      {"no format", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.lpwfxFormat = nullptr; }},
      {"a description of the wrong size", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwSize = 12; }},
      {"the primary buffer", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwFlags |= 0x1; }},
      {"an unknown capability", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwFlags |= 0x80000000u; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WAVEFORMATEX format = Format(1, 22050, 16);
    DSBUFFERDESC d = Description(64, &format);
    c.change(d, format);
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_NE(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
    EXPECT_EQ(buffer, nullptr);
  }
}

TEST(SoundDeviceSetUp, NeedsTheHostWindowAndALevelBeforeBuffers) {
  TestWorld world;
  const int devicesBefore = platform::TakeCensus().devices;
  IDirectSound* device = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
  WAVEFORMATEX format = Format(1, 22050, 16);
  DSBUFFERDESC d = Description(64, &format);
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_NE(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);  // no level yet
  HWND window = FindWindowA("FS98MAIN", nullptr);
  EXPECT_NE(device->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
  EXPECT_NE(device->SetCooperativeLevel(window, 0), DS_OK);
  EXPECT_NE(device->SetCooperativeLevel(window, 5), DS_OK);
  EXPECT_EQ(device->SetCooperativeLevel(window, DSSCL_NORMAL), DS_OK);
  EXPECT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
  buffer->Release();
  device->Release();

  GUID other{1, 2, 3, {4}};
  EXPECT_NE(DirectSoundCreate(&other, &device, nullptr), DS_OK);
  EXPECT_EQ(device, nullptr);
  platform::RefuseNext(platform::SoundCall::kDirectSoundCreate);
  EXPECT_NE(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
  EXPECT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);  // refused once only
  device->Release();
  EXPECT_EQ(platform::TakeCensus().devices, devicesBefore);
}

TEST_F(SoundDevice, ALockPastTheEndOfItsMemoryComesInTwoParts) {
  WAVEFORMATEX format = Format(1, 11025, 8);
  DSBUFFERDESC d = Description(10, &format);
  // A region that runs past the buffer's end goes on from its start.
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  ASSERT_EQ(buffer->Lock(6, 10, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(n1, 4u);
  EXPECT_EQ(n2, 6u);
  EXPECT_EQ(static_cast<char*>(p1) - static_cast<char*>(p2), 6);
  // Only what the lock gave goes back.
  EXPECT_NE(buffer->Unlock(p2, n1, p1, n2), DS_OK);
  EXPECT_NE(buffer->Unlock(p1, n1 + 1, p2, n2), DS_OK);
  EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
  EXPECT_NE(buffer->Unlock(p1, n1, p2, n2), DS_OK);  // not locked any more
  buffer->Release();

  // A device whose memory is turned splits even a lock from offset 0, and
  // plays the parts in order.
  platform::SetBufferTurn(3);
  const Bytes bytes = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  buffer = Filled(bytes, format);
  ASSERT_EQ(buffer->Lock(0, 10, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(n1, 7u);
  EXPECT_EQ(n2, 3u);
  EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  ASSERT_EQ(world.heard.size(), 1u);
  EXPECT_EQ(world.heard[0].bytes, bytes);
  buffer->Release();
}

TEST_F(SoundDevice, PlaysOnceAgainstTheHostClockAndIsHeard) {
  WAVEFORMATEX format = Format(1, 1000, 16);  // 2000 bytes a second
  Bytes bytes(200);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  IDirectSoundBuffer* buffer = Filled(bytes, format);
  DWORD status = 99;
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, 0u);

  world.seconds = 1.0;
  ASSERT_EQ(buffer->SetCurrentPosition(50), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  ASSERT_EQ(world.heard.size(), 1u);
  EXPECT_EQ(world.heard[0].bufferBytes, 200u);
  EXPECT_EQ(world.heard[0].bytes, Bytes(bytes.begin() + 50, bytes.end()));
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, DSBSTATUS_PLAYING);
  // Playing on: a second Play changes nothing.
  world.seconds = 1.07;
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(world.heard.size(), 1u);
  // 150 bytes last 0.075 s.
  world.seconds = 1.075;
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, 0u);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(world.heard.size(), 2u);

  EXPECT_NE(buffer->Play(1, 0, 0), DS_OK);
  EXPECT_NE(buffer->Play(0, 1, 0), DS_OK);
  EXPECT_NE(buffer->SetCurrentPosition(200), DS_OK);
  buffer->Release();
}

TEST_F(SoundDevice, UnwrittenBytesAreNeverSilence) {
  // What a buffer holds before it is written is whatever the device's memory
  // held: a gauge that plays it plays noise, which the tests can hear.
  WAVEFORMATEX format = Format(1, 22050, 16);
  DSBUFFERDESC d = Description(8, &format);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  ASSERT_EQ(world.heard.size(), 1u);
  for (uint8_t byte : world.heard[0].bytes) EXPECT_NE(byte, 0);
  buffer->Release();
}

TEST_F(SoundDevice, RefusesEachCallOnDemandOnce) {
  using platform::SoundCall;
  WAVEFORMATEX format = Format(1, 11025, 8);
  DSBUFFERDESC d = Description(16, &format);
  IDirectSoundBuffer* buffer = nullptr;
  platform::RefuseNext(SoundCall::kCreateSoundBuffer);
  EXPECT_NE(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
  ASSERT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0, status = 0;
  platform::RefuseNext(SoundCall::kLock);
  EXPECT_NE(buffer->Lock(0, 16, &p1, &n1, &p2, &n2, 0), DS_OK);
  ASSERT_EQ(buffer->Lock(0, 16, &p1, &n1, &p2, &n2, 0), DS_OK);
  platform::RefuseNext(SoundCall::kUnlock);
  EXPECT_NE(buffer->Unlock(p1, n1, p2, n2), DS_OK);
  EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
  platform::RefuseNext(SoundCall::kSetCurrentPosition);
  EXPECT_NE(buffer->SetCurrentPosition(0), DS_OK);
  EXPECT_EQ(buffer->SetCurrentPosition(0), DS_OK);
  platform::RefuseNext(SoundCall::kPlay);
  EXPECT_NE(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_TRUE(world.heard.empty());
  platform::RefuseNext(SoundCall::kGetStatus);
  EXPECT_NE(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(world.heard.size(), 1u);
  buffer->Release();
}

}  // namespace
