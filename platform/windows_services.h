// The Windows services the dimmer's click sound uses: the host's main
// window, the registry, RIFF file reading and DirectSound.
//
// In the Windows build they are the system's own. Elsewhere they are this
// folder's small layer, which answers exactly these calls the way the gauge
// relies on them, from the bench's world (its window, registry, host folder
// and clock) and a software sound device. The gauge's text is the same on
// both sides; only what is written here differs.
#pragma once

#if defined(_WIN32)

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#else

#include <cstddef>
#include <cstdint>

#define GAUGE_PLATFORM_API extern "C" __attribute__((visibility("default")))

// ---------------------------------------------------------------------------
// Basic types, with the widths the Windows services use.
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using HRESULT = int32_t;
using MMRESULT = uint32_t;
using FOURCC = uint32_t;
using REGSAM = uint32_t;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPVOID = void*;
using LPSTR = char*;
using LPCSTR = const char*;
using HPSTR = char*;  // a read target of the file calls

// Handles are pointers to records that only the layer knows.
struct HWND__;
struct HKEY__;
struct HMMIO__;
using HWND = HWND__*;
using HKEY = HKEY__*;
using HMMIO = HMMIO__*;
using PHKEY = HKEY*;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using LPCGUID = const GUID*;
struct IUnknown;  // only ever passed as "no outer object"
struct MMIOINFO;  // only ever passed as "no information record"
using LPMMIOINFO = MMIOINFO*;

// ---------------------------------------------------------------------------
// The host's main window.

// The window of the class, any title when `windowName` is null; null when
// no such window exists. Class names compare without regard to case.
GAUGE_PLATFORM_API HWND FindWindowA(LPCSTR className, LPCSTR windowName);

// ---------------------------------------------------------------------------
// The registry: keys under HKEY_LOCAL_MACHINE, string values.

#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))
constexpr REGSAM KEY_READ = 0x20019;
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr DWORD REG_SZ = 1;

// 0 and an open key, or an error and no key. Paths compare without regard
// to case.
GAUGE_PLATFORM_API LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access,
                                      PHKEY result);
// A value's bytes (a string with its terminating zero). Without a data
// block, only its size; with one too small, ERROR_MORE_DATA and the size.
// Value names compare without regard to case.
GAUGE_PLATFORM_API LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved,
                                         LPDWORD type, LPBYTE data, LPDWORD dataBytes);
GAUGE_PLATFORM_API LONG RegCloseKey(HKEY key);

// ---------------------------------------------------------------------------
// RIFF files: chunks of a four-character id, a 32-bit little-endian size and
// that many data bytes, followed by a pad byte when the size is odd. "RIFF"
// and "LIST" chunks start their data with a four-character form type.

struct MMCKINFO {
  FOURCC ckid;          // the chunk's id
  DWORD cksize;         // its data size, pad byte not counted
  FOURCC fccType;       // the form type of a "RIFF" or "LIST" chunk
  DWORD dwDataOffset;   // the file offset of its data (a form type's offset)
  DWORD dwFlags;
};
using LPMMCKINFO = MMCKINFO*;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<FOURCC>(static_cast<uint8_t>(a)) |
         static_cast<FOURCC>(static_cast<uint8_t>(b)) << 8 |
         static_cast<FOURCC>(static_cast<uint8_t>(c)) << 16 |
         static_cast<FOURCC>(static_cast<uint8_t>(d)) << 24;
}

constexpr DWORD MMIO_READ = 0x0;
constexpr DWORD MMIO_ALLOCBUF = 0x10000;
constexpr UINT MMIO_FINDCHUNK = 0x10;
constexpr UINT MMIO_FINDRIFF = 0x20;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 264;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;

// Opens a file for buffered reading; null when it cannot be opened. A
// backslash in the name separates folders, and each name in it compares
// without regard to case, as in the simulator's folders.
GAUGE_PLATFORM_API HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO info, DWORD flags);
// Finds a chunk from the current position on, inside `parent` when given:
// MMIO_FINDRIFF a "RIFF" chunk of `chunk->fccType`, MMIO_FINDCHUNK a chunk
// of `chunk->ckid`, no flag the next chunk. On success fills `chunk` and
// leaves the file at its data (after the form type of "RIFF" and "LIST").
GAUGE_PLATFORM_API MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent,
                                        UINT flags);
// Reads up to `count` bytes; the count read (0 at the end), -1 on error.
GAUGE_PLATFORM_API LONG mmioRead(HMMIO file, HPSTR target, LONG count);
// Leaves the file after the chunk and its pad byte.
GAUGE_PLATFORM_API MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT flags);
GAUGE_PLATFORM_API MMRESULT mmioClose(HMMIO file, UINT flags);

// ---------------------------------------------------------------------------
// DirectSound.

#pragma pack(push, 1)
// The format of a sound: 18 bytes, the last the count of format bytes that
// follow the record.
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
constexpr WORD WAVE_FORMAT_PCM = 1;

// A sound buffer's description (36 bytes where addresses are 32-bit).
struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  WAVEFORMATEX* lpwfxFormat;
  GUID guid3DAlgorithm;
};
#if defined(__i386__)
static_assert(sizeof(DSBUFFERDESC) == 36);
#endif

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;
constexpr DWORD DSBPLAY_LOOPING = 0x1;
constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);

// A sound buffer: its bytes are written between Lock and Unlock; Play starts
// it from the current position and returns at once; it plays once unless
// asked to loop. Release gives back the caller's reference; the last one
// ends the sound.
struct IDirectSoundBuffer {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual HRESULT GetStatus(LPDWORD status) = 0;
  // The bytes from `offset` on: the first pair up to the buffer's end, the
  // second, where the region goes on past it, from the buffer's start.
  virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* part1, LPDWORD bytes1, LPVOID* part2,
                       LPDWORD bytes2, DWORD flags) = 0;
  virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT SetCurrentPosition(DWORD position) = 0;
  virtual HRESULT Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) = 0;

 protected:
  ~IDirectSoundBuffer() = default;
};

// A sound device: buffers are made only once a cooperative level is set.
struct IDirectSound {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer,
                                    IUnknown* outer) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;

 protected:
  ~IDirectSound() = default;
};

// The default device (`device` null); 0 and a device, or an error and null.
GAUGE_PLATFORM_API HRESULT DirectSoundCreate(LPCGUID device, IDirectSound** result,
                                             IUnknown* outer);

#undef GAUGE_PLATFORM_API

#endif  // !_WIN32
