// Where the bench finds a module's bitmaps: in the module itself, as the
// host does. On Windows they are the module's bitmap resources; a native
// module carries the same bitmaps in its file's section ".gauge_bitmaps"
// (art/bitmap_blob.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "bench/host/module_library.h"
#include "bench/render/image.h"

namespace bench {

class BitmapSource {
 public:
  virtual ~BitmapSource() = default;
  // The bitmap file (with its file header) of resource `number`, or nothing.
  virtual std::optional<std::vector<uint8_t>> Find(int number) const = 0;
};

// The bitmaps of a loaded module; throws RenderError naming the module file
// when they cannot be read.
std::unique_ptr<BitmapSource> OpenModuleBitmaps(const ModuleLibrary& library);

// The directory of bitmaps a native module carries, read from its section's
// bytes; throws RenderError (naming `what`) when the section is malformed.
std::map<int, std::vector<uint8_t>> ParseBitmapBlob(std::span<const uint8_t> section,
                                                    const std::string& what);
// The bytes of the named section of an ELF file's image; nothing when the
// file has no such section. Throws RenderError for a malformed file.
std::optional<std::vector<uint8_t>> ReadElfSection(std::span<const uint8_t> file,
                                                   const std::string& section,
                                                   const std::string& what);

// Bitmaps held in memory, by number (tests, and a source already read).
class MemoryBitmaps : public BitmapSource {
 public:
  explicit MemoryBitmaps(std::map<int, std::vector<uint8_t>> files) : files_(std::move(files)) {}
  std::optional<std::vector<uint8_t>> Find(int number) const override;

 private:
  std::map<int, std::vector<uint8_t>> files_;
};

}  // namespace bench
