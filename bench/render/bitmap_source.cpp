#include "bench/render/bitmap_source.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "art/bitmap_blob.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace bench {

namespace {

uint64_t Read(std::span<const uint8_t> bytes, uint64_t offset, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) {
    value = value << 8 | bytes[static_cast<size_t>(offset + static_cast<uint64_t>(i))];
  }
  return value;
}

bool Fits(std::span<const uint8_t> bytes, uint64_t offset, uint64_t size) {
  return offset <= bytes.size() && size <= bytes.size() - offset;
}

}  // namespace

std::optional<std::vector<uint8_t>> MemoryBitmaps::Find(int number) const {
  const auto it = files_.find(number);
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::vector<uint8_t>> ReadElfSection(std::span<const uint8_t> file,
                                                   const std::string& section,
                                                   const std::string& what) {
  if (file.size() < 0x34 || std::memcmp(file.data(), "\x7f" "ELF", 4) != 0) {
    throw RenderError(what + " is not an ELF file");
  }
  const bool wide = file[4] == 2;
  if ((file[4] != 1 && file[4] != 2) || file[5] != 1) {
    throw RenderError(what + " is not a little-endian ELF file of 32 or 64 bits");
  }
  if (wide && file.size() < 0x40) throw RenderError(what + ": its ELF header is cut short");
  const uint64_t shoff = wide ? Read(file, 0x28, 8) : Read(file, 0x20, 4);
  const uint64_t shentsize = Read(file, wide ? 0x3a : 0x2e, 2);
  const uint64_t shnum = Read(file, wide ? 0x3c : 0x30, 2);
  const uint64_t shstrndx = Read(file, wide ? 0x3e : 0x32, 2);
  const uint64_t minimum = wide ? 64 : 40;
  if (shnum == 0) return std::nullopt;
  if (shentsize < minimum || !Fits(file, shoff, shnum * shentsize) || shstrndx >= shnum) {
    throw RenderError(what + ": its section headers lie outside the file");
  }
  struct Header {
    uint64_t name, type, offset, size;
  };
  auto header = [&](uint64_t i) {
    const uint64_t at = shoff + i * shentsize;
    return wide ? Header{Read(file, at, 4), Read(file, at + 4, 4), Read(file, at + 24, 8),
                         Read(file, at + 32, 8)}
                : Header{Read(file, at, 4), Read(file, at + 4, 4), Read(file, at + 16, 4),
                         Read(file, at + 20, 4)};
  };
  const Header names = header(shstrndx);
  if (!Fits(file, names.offset, names.size)) {
    throw RenderError(what + ": its section names lie outside the file");
  }
  for (uint64_t i = 0; i < shnum; ++i) {
    const Header h = header(i);
    if (h.name >= names.size) continue;
    const char* name = reinterpret_cast<const char*>(file.data() + names.offset + h.name);
    const size_t room = static_cast<size_t>(names.size - h.name);
    if (strnlen(name, room) != section.size() || section.compare(0, section.size(), name, section.size()) != 0) {
      continue;
    }
    constexpr uint64_t kNoBits = 8;
    if (h.type == kNoBits || !Fits(file, h.offset, h.size)) {
      throw RenderError(what + ": its section " + section + " lies outside the file");
    }
    return std::vector<uint8_t>(file.begin() + static_cast<long>(h.offset),
                                file.begin() + static_cast<long>(h.offset + h.size));
  }
  return std::nullopt;
}

std::map<int, std::vector<uint8_t>> ParseBitmapBlob(std::span<const uint8_t> section,
                                                    const std::string& what) {
  if (section.size() < art::kBitmapBlobHeaderSize ||
      std::memcmp(section.data(), art::kBitmapBlobMagic, 4) != 0) {
    throw RenderError(what + ": its bitmap section does not start with GBMP");
  }
  const uint64_t count = Read(section, 4, 4);
  if (!Fits(section, art::kBitmapBlobHeaderSize, count * art::kBitmapBlobEntrySize)) {
    throw RenderError(what + ": its bitmap section lists more bitmaps than it holds");
  }
  std::map<int, std::vector<uint8_t>> files;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t at = art::kBitmapBlobHeaderSize + i * art::kBitmapBlobEntrySize;
    const uint64_t number = Read(section, at, 4);
    const uint64_t offset = Read(section, at + 4, 4);
    const uint64_t size = Read(section, at + 8, 4);
    if (number > 0xffff || !Fits(section, offset, size)) {
      throw RenderError(what + ": bitmap entry " + std::to_string(i + 1) +
                        " (number " + std::to_string(number) + ") lies outside the section");
    }
    if (!files.emplace(static_cast<int>(number),
                       std::vector<uint8_t>(section.begin() + static_cast<long>(offset),
                                            section.begin() + static_cast<long>(offset + size)))
             .second) {
      throw RenderError(what + ": bitmap " + std::to_string(number) + " is listed twice");
    }
  }
  return files;
}

#if defined(_WIN32)

namespace {

// The module's own bitmap resources, read as the host reads them.
class ResourceBitmaps : public BitmapSource {
 public:
  explicit ResourceBitmaps(HMODULE module) : module_(module) {}

  std::optional<std::vector<uint8_t>> Find(int number) const override {
    HRSRC info = FindResourceW(module_, MAKEINTRESOURCEW(number), MAKEINTRESOURCEW(2));  // RT_BITMAP
    if (info == nullptr) return std::nullopt;
    const DWORD size = SizeofResource(module_, info);
    HGLOBAL loaded = LoadResource(module_, info);
    const auto* dib = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (dib == nullptr || size < 40) return std::nullopt;
    // A resource is the bitmap without its file header: put one in front.
    const uint32_t headerSize = static_cast<uint32_t>(Read({dib, size}, 0, 4));
    const uint32_t bits = static_cast<uint32_t>(Read({dib, size}, 14, 2));
    uint32_t colours = static_cast<uint32_t>(Read({dib, size}, 32, 4));
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    const uint32_t offBits = 14 + headerSize + colours * 4;
    std::vector<uint8_t> file(14);
    file[0] = 'B';
    file[1] = 'M';
    const uint32_t total = 14 + size;
    std::memcpy(&file[2], &total, 4);
    std::memcpy(&file[10], &offBits, 4);
    file.insert(file.end(), dib, dib + size);
    return file;
  }

 private:
  HMODULE module_;
};

}  // namespace

std::unique_ptr<BitmapSource> OpenModuleBitmaps(const ModuleLibrary& library) {
  return std::make_unique<ResourceBitmaps>(static_cast<HMODULE>(library.handle()));
}

#else

std::unique_ptr<BitmapSource> OpenModuleBitmaps(const ModuleLibrary& library) {
  const std::string what = library.file().string();
  std::ifstream in(library.file(), std::ios::binary);
  if (!in) throw RenderError("cannot read " + what);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  const auto section = ReadElfSection(file, art::kBitmapSection, what);
  if (!section) return std::make_unique<MemoryBitmaps>(std::map<int, std::vector<uint8_t>>{});
  return std::make_unique<MemoryBitmaps>(ParseBitmapBlob(*section, what));
}

#endif

}  // namespace bench
