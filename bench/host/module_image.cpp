#include "bench/host/module_image.h"

#include <cstring>

#include "bench/host/module_library.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GAUGE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GAUGE_ASAN 1
#endif
#if defined(GAUGE_ASAN)
#include <sanitizer/asan_interface.h>
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#endif

namespace bench {

#if defined(_WIN32)

ModuleImage ModuleImage::Of(const ModuleLibrary& library) {
  // A loaded module is its image as the file describes it: the section
  // table after the headers gives each section's place and access.
  const auto* base = static_cast<const uint8_t*>(library.handle());
  if (base == nullptr) return {};
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return {};
  std::vector<ModuleSegment> segments;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const DWORD access = section->Characteristics;
    if ((access & IMAGE_SCN_MEM_READ) == 0 || section->Misc.VirtualSize == 0) continue;
    ModuleSegment segment;
    segment.begin = reinterpret_cast<uintptr_t>(base) + section->VirtualAddress;
    segment.end = segment.begin + section->Misc.VirtualSize;
    segment.writable = (access & IMAGE_SCN_MEM_WRITE) != 0;
    segment.executable = (access & IMAGE_SCN_MEM_EXECUTE) != 0;
    segments.push_back(segment);
  }
  return ModuleImage(std::move(segments));
}

#else

namespace {

struct SegmentSearch {
  const link_map* map;
  std::vector<ModuleSegment>* segments;
};

int CollectSegments(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<SegmentSearch*>(data);
  if (info->dlpi_addr != search->map->l_addr || info->dlpi_name == nullptr ||
      std::strcmp(info->dlpi_name, search->map->l_name) != 0) {
    return 0;
  }
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD || (header.p_flags & PF_R) == 0 || header.p_memsz == 0) continue;
    ModuleSegment segment;
    segment.begin = info->dlpi_addr + header.p_vaddr;
    segment.end = segment.begin + header.p_memsz;
    segment.writable = (header.p_flags & PF_W) != 0;
    segment.executable = (header.p_flags & PF_X) != 0;
    search->segments->push_back(segment);
  }
  return 1;
}

}  // namespace

ModuleImage ModuleImage::Of(const ModuleLibrary& library) {
  link_map* map = nullptr;
  if (library.handle() == nullptr || dlinfo(library.handle(), RTLD_DI_LINKMAP, &map) != 0 ||
      map == nullptr) {
    return {};
  }
  std::vector<ModuleSegment> segments;
  SegmentSearch search{map, &segments};
  dl_iterate_phdr(&CollectSegments, &search);
  return ModuleImage(std::move(segments));
}

#endif

namespace {

// Under AddressSanitizer a module's objects are fenced by poisoned bytes; a
// list that runs off the end of its object runs into them, and the bench
// treats them as lying outside the module rather than reading them.
bool Unfenced(uintptr_t begin, size_t bytes) {
#if defined(GAUGE_ASAN)
  return __asan_region_is_poisoned(reinterpret_cast<void*>(begin), bytes) == nullptr;
#else
  (void)begin;
  (void)bytes;
  return true;
#endif
}

}  // namespace

const ModuleSegment* ModuleImage::SegmentOf(uintptr_t address) const {
  for (const ModuleSegment& segment : segments_) {
    if (segment.begin <= address && address < segment.end) return &segment;
  }
  return nullptr;
}

bool ModuleImage::HoldsData(const void* address, size_t bytes) const {
  const auto begin = reinterpret_cast<uintptr_t>(address);
  const ModuleSegment* segment = SegmentOf(begin);
  return segment != nullptr && bytes <= segment->end - begin && Unfenced(begin, bytes);
}

bool ModuleImage::HoldsWritable(const void* address, size_t bytes) const {
  const auto begin = reinterpret_cast<uintptr_t>(address);
  const ModuleSegment* segment = SegmentOf(begin);
  return segment != nullptr && segment->writable && bytes <= segment->end - begin &&
         Unfenced(begin, bytes);
}

bool ModuleImage::HoldsCode(const void* address) const {
  const ModuleSegment* segment = SegmentOf(reinterpret_cast<uintptr_t>(address));
  return segment != nullptr && segment->executable;
}

std::optional<size_t> ModuleImage::StringLength(const char* text, size_t maxLength) const {
  const auto begin = reinterpret_cast<uintptr_t>(text);
  const ModuleSegment* segment = SegmentOf(begin);
  if (segment == nullptr) return std::nullopt;
  const size_t room = segment->end - begin;
  for (size_t i = 0; i < room && i <= maxLength; ++i) {
    if (!Unfenced(begin + i, 1)) return std::nullopt;
    if (text[i] == '\0') return i;
  }
  return std::nullopt;
}

}  // namespace bench
