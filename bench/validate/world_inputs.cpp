#include "bench/validate/world_inputs.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace bench::validate {

namespace {

// The bytes of a read-only segment. Under AddressSanitizer a module's
// constant objects are fenced by poisoned bytes; the scan reads past them
// on purpose and so is not instrumented.
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("address")))
#endif
std::vector<char> SegmentBytes(uintptr_t begin, uintptr_t end) {
  std::vector<char> bytes(end - begin);
  const volatile char* from = reinterpret_cast<const volatile char*>(begin);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = from[i];
  return bytes;
}

bool EndsWithWav(const std::string& text) {
  if (text.size() < 5) return false;
  std::string tail = text.substr(text.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".wav";
}

class Builder {
 public:
  void Id(const char* id) { bytes.insert(bytes.end(), id, id + 4); }
  void U16(uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(value & 0xffff);
    U16(value >> 16);
  }
  void Chunk(const char* id, const std::vector<uint8_t>& body, bool pad = true) {
    Id(id);
    U32(static_cast<uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (pad && (body.size() & 1u) != 0) bytes.push_back(0);
  }
  std::vector<uint8_t> bytes;
};

struct Format {
  uint16_t tag = 1;  // PCM
  uint16_t channels = 1;
  uint32_t rate = 22050;
  uint16_t bits = 16;
  bool extraSize = false;  // the 18-byte form
};

std::vector<uint8_t> FormatBody(const Format& f) {
  Builder b;
  const uint32_t align = f.channels * f.bits / 8u;
  b.U16(f.tag);
  b.U16(f.channels);
  b.U32(f.rate);
  b.U32(f.rate * align);
  b.U16(align);
  b.U16(f.bits);
  if (f.extraSize) b.U16(0);
  return b.bytes;
}

std::vector<uint8_t> Samples(Random& random, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (uint8_t& byte : data) byte = static_cast<uint8_t>(random());
  return data;
}

// RIFF "WAVE" around the chunks; `claim` overrides the RIFF size.
std::vector<uint8_t> Riff(const std::vector<uint8_t>& chunks, const char* form = "WAVE",
                          int64_t claim = -1) {
  Builder b;
  b.Id("RIFF");
  b.U32(claim >= 0 ? static_cast<uint32_t>(claim) : static_cast<uint32_t>(chunks.size() + 4));
  b.Id(form);
  b.bytes.insert(b.bytes.end(), chunks.begin(), chunks.end());
  return b.bytes;
}

std::string Text(const Format& f, size_t bytes) {
  return "a " + std::to_string(f.bits) + "-bit " + (f.channels == 2 ? "stereo" : "mono") +
         " PCM sound of " + std::to_string(bytes) + " bytes at " + std::to_string(f.rate) + " Hz" +
         (f.extraSize ? " with an 18-byte format chunk" : "");
}

}  // namespace

std::vector<std::string> SoundFileNames(const ModuleImage& image) {
  std::vector<std::string> names;
  for (const ModuleSegment& segment : image.segments()) {
    if (segment.writable || segment.executable) continue;
    const std::vector<char> bytes = SegmentBytes(segment.begin, segment.end);
    std::string run;
    for (char c : bytes) {
      if (c == '\0') {
        if (EndsWithWav(run) && run.size() <= 64 &&
            run.find_first_of("\\/:") == std::string::npos &&
            std::find(names.begin(), names.end(), run) == names.end()) {
          names.push_back(run);
        }
        run.clear();
      } else if (c >= 0x20 && c < 0x7f) {
        run += c;
      } else {
        run.clear();
      }
    }
  }
  return names;
}

WaveFile MakeGoodWaveFile(Random& random) {
  Format f;
  f.channels = static_cast<uint16_t>(Between(random, 1, 2));
  f.bits = Chance(random, 0.5) ? 8 : 16;
  const uint32_t rates[] = {8000, 11025, 22050, 44100};
  f.rate = rates[Between(random, 0, 3)];
  f.extraSize = Chance(random, 0.3);
  const size_t align = f.channels * f.bits / 8u;
  const size_t bytes = align * static_cast<size_t>(Between(random, 1, 600));
  Builder chunks;
  chunks.Chunk("fmt ", FormatBody(f));
  chunks.Chunk("data", Samples(random, bytes));
  return {Riff(chunks.bytes), Text(f, bytes)};
}

WaveFile MakeWaveFile(Random& random) {
  Format f;
  Builder chunks;
  switch (Between(random, 0, 13)) {
    case 0:
    case 1:
    case 2:
      return MakeGoodWaveFile(random);
    case 3: {
      chunks.Chunk("data", Samples(random, 200));
      chunks.Chunk("fmt ", FormatBody(f));
      return {Riff(chunks.bytes), "a file whose data chunk comes before its format chunk"};
    }
    case 4:
      chunks.Chunk("fmt ", FormatBody(f));
      return {Riff(chunks.bytes), "a file without a data chunk"};
    case 5:
      chunks.Chunk("data", Samples(random, 100));
      return {Riff(chunks.bytes), "a file without a format chunk"};
    case 6:
      chunks.Chunk("fmt ", FormatBody(f));
      chunks.Chunk("data", {});
      return {Riff(chunks.bytes), "a file whose data chunk is empty"};
    case 7: {
      // The data chunk claims more than the file holds.
      chunks.Chunk("fmt ", FormatBody(f));
      chunks.Id("data");
      const uint32_t claims[] = {0x1000, 0x10000000u, 0x7fffffffu, 0xffffffffu};
      const uint32_t claim = claims[Between(random, 0, 3)];
      chunks.U32(claim);
      const std::vector<uint8_t> held = Samples(random, 64);
      chunks.bytes.insert(chunks.bytes.end(), held.begin(), held.end());
      return {Riff(chunks.bytes), "a file whose data chunk claims " + std::to_string(claim) +
                                      " bytes and holds 64"};
    }
    case 8: {
      // An odd-sized chunk, with its pad byte, before the sound's chunks.
      chunks.Chunk("LIST", Samples(random, 7));
      chunks.Chunk("fmt ", FormatBody(f));
      chunks.Chunk("data", Samples(random, 301));
      return {Riff(chunks.bytes), "a file with odd-sized chunks and their pad bytes"};
    }
    case 9: {
      WaveFile good = MakeGoodWaveFile(random);
      good.bytes.resize(static_cast<size_t>(Between(random, 0, static_cast<int64_t>(good.bytes.size()) - 1)));
      return {good.bytes, "a file cut off after " + std::to_string(good.bytes.size()) + " bytes"};
    }
    case 10:
      return {Samples(random, static_cast<size_t>(Between(random, 0, 300))), "a file of random bytes"};
    case 11:
      chunks.Chunk("fmt ", FormatBody(f));
      chunks.Chunk("data", Samples(random, 100));
      return {Riff(chunks.bytes, "AVI "), "a RIFF file of form AVI"};
    case 12: {
      Format odd;
      odd.tag = static_cast<uint16_t>(Between(random, 0, 3));
      odd.channels = static_cast<uint16_t>(Between(random, 0, 9));
      odd.rate = static_cast<uint32_t>(Between(random, 0, 400000));
      odd.bits = static_cast<uint16_t>(Between(random, 0, 33));
      chunks.Chunk("fmt ", FormatBody(odd));
      chunks.Chunk("data", Samples(random, 100));
      return {Riff(chunks.bytes), "a file of format tag " + std::to_string(odd.tag) + ", " +
                                      std::to_string(odd.channels) + " channels, " +
                                      std::to_string(odd.rate) + " Hz, " +
                                      std::to_string(odd.bits) + " bits"};
    }
    default: {
      // A good file with some of its bytes changed.
      WaveFile good = MakeGoodWaveFile(random);
      const int64_t flips = Between(random, 1, 8);
      for (int64_t i = 0; i < flips; ++i) {
        good.bytes[static_cast<size_t>(Between(random, 0, static_cast<int64_t>(good.bytes.size()) - 1))] =
            static_cast<uint8_t>(random());
      }
      return {good.bytes, good.what + ", " + std::to_string(flips) + " of its bytes changed"};
    }
  }
}

namespace {

void WriteSound(World& world, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream file(world.soundDir() / name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

void SetUpWorld(World& world, const std::vector<std::string>& soundNames, Random& random) {
  world.set_window(true);
  world.SetRegistryValue("PlayerName", "Validator");
  world.SetRegistryValue("path", world.HostDirText());
  for (const std::string& name : soundNames) WriteSound(world, name, MakeGoodWaveFile(random).bytes);
}

std::string ChangeWorld(World& world, const std::vector<std::string>& soundNames, Random& random) {
  const int64_t pick = Between(random, 0, 99);
  if (pick < 20) {
    world.set_window(!world.window());
    return world.window() ? "the host's main window opens" : "the host's main window closes";
  }
  if (pick < 30) {
    if (world.RegistryValue("PlayerName")) {
      world.DeleteRegistryValue("PlayerName");
      return "the registry value PlayerName goes away";
    }
    world.SetRegistryValue("PlayerName", "Validator");
    return "the registry value PlayerName is set";
  }
  if (pick < 50 || soundNames.empty()) {
    const std::string folder = world.HostDirText();
    const std::string paths[] = {folder,
                                 folder + "\\",
                                 "",
                                 // around the 260 bytes of the folder block
                                 std::string(static_cast<size_t>(Between(random, 240, 262)), 'x'),
                                 std::string(300, 'p'),
                                 "C:\\nowhere\\at\\all"};
    const size_t which = static_cast<size_t>(Between(random, 0, 6));
    if (which == 6) {
      world.DeleteRegistryValue("path");
      return "the registry value path goes away";
    }
    world.SetRegistryValue("path", paths[which]);
    return "the registry value path becomes " + std::to_string(paths[which].size()) +
           " characters long" + (which <= 1 ? " (the host's folder)" : "");
  }
  const std::string& name = soundNames[static_cast<size_t>(Between(random, 0, static_cast<int64_t>(soundNames.size()) - 1))];
  if (Chance(random, 0.1)) {
    std::error_code ignored;
    std::filesystem::remove(world.soundDir() / name, ignored);
    return "the sound file " + name + " goes away";
  }
  const WaveFile file = MakeWaveFile(random);
  WriteSound(world, name, file.bytes);
  return "the sound file " + name + " becomes " + file.what;
}

}  // namespace bench::validate
