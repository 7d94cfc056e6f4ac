// Where a loaded module lies in memory: its mapped segments with their
// access. The host and the validator walk a module's records through
// addresses the module itself supplies; before following one they ask the
// image whether it lies inside the module, so that a broken module is
// reported instead of crashing the bench.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace bench {

class ModuleLibrary;

struct ModuleSegment {
  uintptr_t begin = 0;
  uintptr_t end = 0;  // one past the last byte
  bool writable = false;
  bool executable = false;
};

class ModuleImage {
 public:
  ModuleImage() = default;
  explicit ModuleImage(std::vector<ModuleSegment> segments) : segments_(std::move(segments)) {}

  // The loaded segments of an open module; empty when the loader tells nothing.
  static ModuleImage Of(const ModuleLibrary& library);

  bool empty() const { return segments_.empty(); }
  const std::vector<ModuleSegment>& segments() const { return segments_; }

  // [address, address + bytes) lies inside one segment of the module.
  bool HoldsData(const void* address, size_t bytes) const;
  // Likewise, inside a writable segment (the module's static data).
  bool HoldsWritable(const void* address, size_t bytes) const;
  // A routine address inside an executable segment.
  bool HoldsCode(const void* address) const;
  // The length of the zero-terminated string at `text` when the string and
  // its zero lie inside one segment within `maxLength` characters.
  std::optional<size_t> StringLength(const char* text, size_t maxLength) const;

 private:
  const ModuleSegment* SegmentOf(uintptr_t address) const;
  std::vector<ModuleSegment> segments_;
};

}  // namespace bench
