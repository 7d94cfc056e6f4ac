// Buffered reading of RIFF files, with the chunk calls of the multimedia
// file services.
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_set>

#include "platform/layer.h"

struct HMMIO__ {
  std::FILE* file;
};

namespace {

namespace fs = std::filesystem;

constexpr FOURCC kRiff = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC kList = mmioFOURCC('L', 'I', 'S', 'T');
constexpr UINT kFindList = 0x40;
constexpr DWORD kAccessBits = 0x3;
constexpr DWORD kSharingBits = 0x70;

std::unordered_set<HMMIO> openFiles;

bool IsOpen(HMMIO file) { return file != nullptr && openFiles.contains(file); }

// One name of a path, as the folder holds it: the exact name when there is
// one, else the first entry whose name differs only in case.
fs::path MatchInFolder(const fs::path& folder, const std::string& name) {
  std::error_code error;
  const fs::path exact = folder / name;
  if (fs::exists(fs::symlink_status(exact, error))) return exact;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end;
       !error && it != end; it.increment(error)) {
    if (platform::layer::SameNoCase(it->path().filename().string(), name)) {
      return folder / it->path().filename();
    }
  }
  return exact;
}

// A Windows-style file name on this machine: backslashes and slashes both
// separate names, and each name is found without regard to case.
fs::path ResolveFileName(const char* text) {
  std::string name(text);
  fs::path resolved = (!name.empty() && (name[0] == '\\' || name[0] == '/')) ? fs::path("/")
                                                                             : fs::path();
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == "." || part == "..") {
      resolved /= part;
    } else if (!part.empty()) {
      resolved = MatchInFolder(resolved, part);
    }
    start = end + 1;
  }
  return resolved;
}

bool ReadWord(std::FILE* file, uint32_t& word) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, 4, file) != 4) return false;
  word = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return true;
}

bool Seek(std::FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

}  // namespace

HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO info, DWORD flags) {
  // Reading is all this layer does: no information record, no writing,
  // creating, deleting or parsing; sharing modes change nothing here.
  if (fileName == nullptr || info != nullptr) return nullptr;
  if ((flags & kAccessBits) != MMIO_READ) return nullptr;
  if ((flags & ~(MMIO_ALLOCBUF | kSharingBits)) != 0) return nullptr;
  const fs::path path = ResolveFileName(fileName);
  std::error_code error;
  if (path.empty() || !fs::is_regular_file(path, error)) return nullptr;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  HMMIO opened = new HMMIO__{file};
  openFiles.insert(opened);
  ++platform::layer::Counts().openFiles;
  return opened;
}

MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags) {
  if (!IsOpen(file)) return MMSYSERR_INVALHANDLE;
  if (chunk == nullptr) return MMSYSERR_INVALPARAM;
  const UINT find = flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | kFindList);
  if (find != 0 && find != MMIO_FINDCHUNK && find != MMIO_FINDRIFF && find != kFindList) {
    return MMSYSERR_INVALPARAM;
  }
  const FOURCC wantedId = chunk->ckid;
  const FOURCC wantedType = chunk->fccType;
  // Chunks of a parent lie inside its data; without one, the file ends them.
  const uint64_t parentEnd = parent != nullptr
                                 ? uint64_t{parent->dwDataOffset} + parent->cksize
                                 : UINT64_MAX;
  while (true) {
    const off_t at = ftello(file->file);
    if (at < 0) return MMIOERR_CANNOTSEEK;
    const auto position = static_cast<uint64_t>(at);
    if (position + 8 > parentEnd) return MMIOERR_CHUNKNOTFOUND;
    uint32_t id = 0, size = 0, type = 0;
    if (!ReadWord(file->file, id) || !ReadWord(file->file, size)) return MMIOERR_CHUNKNOTFOUND;
    const bool hasType = id == kRiff || id == kList;
    if (hasType && !ReadWord(file->file, type)) return MMIOERR_CHUNKNOTFOUND;
    bool found = false;
    switch (find) {
      case MMIO_FINDCHUNK: found = id == wantedId; break;
      case MMIO_FINDRIFF: found = id == kRiff && type == wantedType; break;
      case kFindList: found = id == kList && type == wantedType; break;
      default: found = true; break;
    }
    if (found) {
      chunk->ckid = id;
      chunk->cksize = size;
      chunk->fccType = hasType ? type : 0;
      chunk->dwDataOffset = static_cast<DWORD>(position + 8);
      chunk->dwFlags = 0;
      return MMSYSERR_NOERROR;
    }
    // On past the chunk and its pad byte.
    const uint64_t next = position + 8 + size + (size & 1u);
    if (!Seek(file->file, next)) return MMIOERR_CHUNKNOTFOUND;
  }
}

LONG mmioRead(HMMIO file, HPSTR target, LONG count) {
  if (!IsOpen(file) || count < 0 || (target == nullptr && count > 0)) return -1;
  if (count == 0) return 0;
  const size_t read = std::fread(target, 1, static_cast<size_t>(count), file->file);
  if (std::ferror(file->file)) {
    std::clearerr(file->file);
    return -1;
  }
  std::clearerr(file->file);  // the end of the file is no error
  return static_cast<LONG>(read);
}

MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT /*flags*/) {
  if (!IsOpen(file)) return MMSYSERR_INVALHANDLE;
  if (chunk == nullptr) return MMSYSERR_INVALPARAM;
  const uint64_t end = uint64_t{chunk->dwDataOffset} + chunk->cksize + (chunk->cksize & 1u);
  if (!Seek(file->file, end)) return MMIOERR_CANNOTSEEK;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioClose(HMMIO file, UINT /*flags*/) {
  if (!IsOpen(file)) return MMSYSERR_INVALHANDLE;
  openFiles.erase(file);
  std::fclose(file->file);
  delete file;
  --platform::layer::Counts().openFiles;
  return MMSYSERR_NOERROR;
}
