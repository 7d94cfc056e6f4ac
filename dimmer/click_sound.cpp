// The click sound: the host's sound folder found through its main window and
// registry key at initialize, and on every click the WAV file read chunk by
// chunk into a new DirectSound buffer that plays once in the background.
#include "dimmer/click_sound.h"

#include <cstdlib>
#include <cstring>

#include "platform/windows_services.h"

namespace {

// Folder and file names are built in blocks of the longest Windows path,
// terminating zero included.
constexpr DWORD kNameBlockBytes = 260;
const char kHostKey[] = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\7.0";
const char kSoundSubfolder[] = "\\Sound\\";
constexpr DWORD kClickBufferCaps = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
// The most bytes one read can take.
constexpr DWORD kLargestRead = 0x7FFFFFFF;

// Module state; all of it lasts until the module is unloaded.
int32_t soundEnabled = 1;         // 1 at load; 0 for good after any failure
char* soundFolder;                // "path", then "\Sound\", zero-terminated; or none
IDirectSound* soundDevice;
IDirectSoundBuffer* clickBuffer;  // the newest click's buffer
WAVEFORMATEX waveFormat;          // the newest file's format record
char* sampleData;                 // the newest file's samples, until they are in the buffer
DWORD sampleBytes;                // the size of the newest file's "data" chunk
DWORD samplesRead;                // how many of those bytes the file really held
// Earlier clicks' buffers that were still playing when a newer click came:
// each is held until its sound has played to the end, then released.
IDirectSoundBuffer** earlierBuffers;
DWORD earlierCount;
DWORD earlierCapacity;

int32_t TurnSoundOff() {
  soundEnabled = 0;
  return 0;
}

void FreeBlock(char*& block) {
  free(block);
  block = nullptr;
}

void ReleaseBuffer(IDirectSoundBuffer*& buffer) {
  if (buffer != nullptr) {
    buffer->Release();
    buffer = nullptr;
  }
}

void ReleaseDevice() {
  if (soundDevice != nullptr) {
    soundDevice->Release();
    soundDevice = nullptr;
  }
}

// The length of the text in a zero-filled name block, at most the block's size.
DWORD TextLength(const char* block) {
  DWORD length = 0;
  while (length < kNameBlockBytes && block[length] != 0) ++length;
  return length;
}

bool IsPlaying(IDirectSoundBuffer* buffer) {
  DWORD status = 0;
  return buffer->GetStatus(&status) == DS_OK && (status & DSBSTATUS_PLAYING) != 0;
}

// Earlier clicks whose sound has ended give back their buffers.
void ReleaseFinishedBuffers() {
  DWORD kept = 0;
  for (DWORD i = 0; i < earlierCount; ++i) {
    if (IsPlaying(earlierBuffers[i])) {
      earlierBuffers[kept++] = earlierBuffers[i];
    } else {
      earlierBuffers[i]->Release();
    }
  }
  earlierCount = kept;
}

// Makes way for a new click's buffer: the newest one is released when its
// sound has ended and held with the earlier ones while it plays. 0 when
// there is no memory to hold it.
int32_t PutAsideClickBuffer() {
  if (clickBuffer == nullptr) return 1;
  if (!IsPlaying(clickBuffer)) {
    ReleaseBuffer(clickBuffer);
    return 1;
  }
  if (earlierCount == earlierCapacity) {
    const DWORD capacity = earlierCapacity == 0 ? 8 : earlierCapacity * 2;
    void* grown = realloc(earlierBuffers, capacity * sizeof(IDirectSoundBuffer*));
    if (grown == nullptr) return 0;
    earlierBuffers = static_cast<IDirectSoundBuffer**>(grown);
    earlierCapacity = capacity;
  }
  earlierBuffers[earlierCount++] = clickBuffer;
  clickBuffer = nullptr;
  return 1;
}

// From the open file: the format record and the samples. 0 on failure.
int32_t ReadWaveFile(HMMIO file) {
  MMCKINFO riffChunk;
  memset(&riffChunk, 0, sizeof riffChunk);
  riffChunk.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &riffChunk, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return 0;

  MMCKINFO chunk;
  memset(&chunk, 0, sizeof chunk);
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(file, &chunk, &riffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return 0;
  // Only the bytes the chunk holds go into the record, the rest stays 0; and
  // since nothing follows the record, its count of further format bytes is 0.
  memset(&waveFormat, 0, sizeof waveFormat);
  const DWORD formatBytes = chunk.cksize < sizeof waveFormat ? chunk.cksize : sizeof waveFormat;
  if (mmioRead(file, reinterpret_cast<HPSTR>(&waveFormat), static_cast<LONG>(formatBytes)) == -1) {
    return 0;
  }
  waveFormat.cbSize = 0;
  if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) return 0;

  // The samples come after the format.
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file, &chunk, &riffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return 0;
  sampleBytes = chunk.cksize;
  if (sampleBytes > kLargestRead) return 0;
  sampleData = static_cast<char*>(malloc(sampleBytes));
  if (sampleData == nullptr) return 0;
  const LONG read = mmioRead(file, sampleData, static_cast<LONG>(sampleBytes));
  if (read == -1) return 0;
  // A chunk may claim more bytes than the file holds.
  samplesRead = static_cast<DWORD>(read);
  return 1;
}

// One locked part of the buffer, which starts at byte `offset` of the sound:
// the samples the file held, then silence.
void FillPart(void* part, DWORD bytes, DWORD offset) {
  if (part == nullptr) return;
  char* target = static_cast<char*>(part);
  DWORD copied = 0;
  if (offset < samplesRead) {
    copied = samplesRead - offset < bytes ? samplesRead - offset : bytes;
    memcpy(target, sampleData + offset, copied);
  }
  // 8-bit samples are unsigned: their silence is the middle value.
  const bool unsignedSamples =
      waveFormat.wFormatTag == WAVE_FORMAT_PCM && waveFormat.wBitsPerSample == 8;
  memset(target + copied, unsignedSamples ? 0x80 : 0, bytes - copied);
}

// A click whose buffer was refused something: the buffer is never used again.
int32_t DropClickBuffer() {
  ReleaseBuffer(clickBuffer);
  return TurnSoundOff();
}

}  // namespace

int32_t SetUpSound() {
  HWND window = FindWindowA("FS98MAIN", nullptr);
  if (window == nullptr) return TurnSoundOff();

  // Both are empty after a kill; anything still held goes back first.
  ReleaseBuffer(clickBuffer);
  ReleaseDevice();
  if (DirectSoundCreate(nullptr, &soundDevice, nullptr) != DS_OK) {
    soundDevice = nullptr;
    return TurnSoundOff();
  }
  // A refused level keeps the device until ReleaseSound.
  if (soundDevice->SetCooperativeLevel(window, DSSCL_NORMAL) != DS_OK) return TurnSoundOff();

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHostKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return TurnSoundOff();
  }
  // Without a player name the host is not set up: no sound.
  DWORD valueBytes = 0;
  if (RegQueryValueExA(key, "PlayerName", nullptr, nullptr, nullptr, &valueBytes) !=
      ERROR_SUCCESS) {
    RegCloseKey(key);
    return TurnSoundOff();
  }
  FreeBlock(soundFolder);
  soundFolder = static_cast<char*>(calloc(kNameBlockBytes, 1));
  if (soundFolder == nullptr) {
    RegCloseKey(key);
    return TurnSoundOff();
  }
  // A value stored without its terminating zero still ends in one, since the
  // block was zero-filled, unless it fills the block.
  valueBytes = kNameBlockBytes;
  const LONG found = RegQueryValueExA(key, "path", nullptr, nullptr,
                                      reinterpret_cast<LPBYTE>(soundFolder), &valueBytes);
  RegCloseKey(key);
  // "\Sound\" and the terminating zero must fit in the block after the folder.
  const DWORD folderLength = TextLength(soundFolder);
  if (found != ERROR_SUCCESS || folderLength + sizeof kSoundSubfolder > kNameBlockBytes) {
    FreeBlock(soundFolder);
    return TurnSoundOff();
  }
  memcpy(soundFolder + folderLength, kSoundSubfolder, sizeof kSoundSubfolder);
  return 1;
}

int32_t PlayWaveFile(const char* name) {
  if (soundEnabled == 0) return 0;
  if (soundFolder == nullptr || soundDevice == nullptr) return TurnSoundOff();
  ReleaseFinishedBuffers();

  // The file's name: the folder, then the name, in a zero-filled block that
  // must hold them and the terminating zero.
  const size_t folderLength = strlen(soundFolder);
  const size_t nameLength = strlen(name);
  if (folderLength + nameLength + 1 > kNameBlockBytes) return TurnSoundOff();
  char* fileName = static_cast<char*>(calloc(kNameBlockBytes, 1));
  if (fileName == nullptr) return TurnSoundOff();
  memcpy(fileName, soundFolder, folderLength);
  memcpy(fileName + folderLength, name, nameLength);

  HMMIO file = mmioOpenA(fileName, nullptr, MMIO_ALLOCBUF | MMIO_READ);
  FreeBlock(fileName);
  if (file == nullptr) return TurnSoundOff();
  const int32_t read = ReadWaveFile(file);
  mmioClose(file, 0);
  if (read == 0) {
    FreeBlock(sampleData);
    return TurnSoundOff();
  }

  DSBUFFERDESC description;
  memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  description.dwFlags = kClickBufferCaps;
  description.dwBufferBytes = sampleBytes;
  description.dwReserved = 0;
  description.lpwfxFormat = &waveFormat;
  if (PutAsideClickBuffer() == 0) {
    FreeBlock(sampleData);
    return TurnSoundOff();
  }
  if (soundDevice->CreateSoundBuffer(&description, &clickBuffer, nullptr) != DS_OK) {
    clickBuffer = nullptr;
    FreeBlock(sampleData);
    return TurnSoundOff();
  }

  // The locked region may come in two parts; the sound runs on from the first
  // into the second.
  void* part1 = nullptr;
  DWORD bytes1 = 0;
  void* part2 = nullptr;
  DWORD bytes2 = 0;
  if (clickBuffer->Lock(0, sampleBytes, &part1, &bytes1, &part2, &bytes2, 0) != DS_OK) {
    FreeBlock(sampleData);
    return DropClickBuffer();
  }
  FillPart(part1, bytes1, 0);
  FillPart(part2, bytes2, bytes1);
  FreeBlock(sampleData);
  if (clickBuffer->Unlock(part1, bytes1, part2, bytes2) != DS_OK) return DropClickBuffer();
  if (clickBuffer->SetCurrentPosition(0) != DS_OK) return DropClickBuffer();
  if (clickBuffer->Play(0, 0, 0) != DS_OK) return DropClickBuffer();
  return 1;
}

void ReleaseSound() {
  FreeBlock(soundFolder);
  ReleaseBuffer(clickBuffer);
  // The panel is closing: earlier clicks' sounds end with it, as the newest does.
  for (DWORD i = 0; i < earlierCount; ++i) earlierBuffers[i]->Release();
  free(earlierBuffers);
  earlierBuffers = nullptr;
  earlierCount = 0;
  earlierCapacity = 0;
  ReleaseDevice();
}
