#pragma once

// Wave-out audio: the device count, capability records, opening a device for a PCM format
// (or only asking whether it would take it), buffer headers played in the order queued,
// pause, restart, reset and close, with a function called from the service's own thread.
//
// The backend is chosen by CALYRIX_WAVEOUT: unset or empty for ALSA,
// "virtual:N[,speed=F][,capture=PATH]" for N virtual devices, "none" for no device.

#include "platform/base/Types.h"
#include "platform/base/MmResult.h"
#include "platform/base/WaveFormat.h"

using MMVERSION = UINT;

struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;
using LPHWAVEOUT = HWAVEOUT*;

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

constexpr int MAXPNAMELEN = 32;

struct WAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};
using LPWAVEOUTCAPSA = WAVEOUTCAPSA*;

// Result codes, beside those shared with the file I/O layer.
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;

// Open flags.
constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;

// Callback messages; for WOM_DONE the first parameter is the header.
constexpr UINT WOM_OPEN = 0x3BB;
constexpr UINT WOM_CLOSE = 0x3BC;
constexpr UINT WOM_DONE = 0x3BD;

using WAVEOUTPROC = void (*)(HWAVEOUT device, UINT message, DWORD_PTR instance,
                             DWORD_PTR param1, DWORD_PTR param2);

// Header flags.
constexpr DWORD WHDR_DONE = 0x01;
constexpr DWORD WHDR_PREPARED = 0x02;
constexpr DWORD WHDR_BEGINLOOP = 0x04;
constexpr DWORD WHDR_ENDLOOP = 0x08;
constexpr DWORD WHDR_INQUEUE = 0x10;

// Standard formats of the capability record: 11.025, 22.05, 44.1, 48 and 96 kHz,
// mono/stereo, 8/16 bits.
constexpr DWORD WAVE_FORMAT_1M08 = 0x00000001;
constexpr DWORD WAVE_FORMAT_1S08 = 0x00000002;
constexpr DWORD WAVE_FORMAT_1M16 = 0x00000004;
constexpr DWORD WAVE_FORMAT_1S16 = 0x00000008;
constexpr DWORD WAVE_FORMAT_2M08 = 0x00000010;
constexpr DWORD WAVE_FORMAT_2S08 = 0x00000020;
constexpr DWORD WAVE_FORMAT_2M16 = 0x00000040;
constexpr DWORD WAVE_FORMAT_2S16 = 0x00000080;
constexpr DWORD WAVE_FORMAT_4M08 = 0x00000100;
constexpr DWORD WAVE_FORMAT_4S08 = 0x00000200;
constexpr DWORD WAVE_FORMAT_4M16 = 0x00000400;
constexpr DWORD WAVE_FORMAT_4S16 = 0x00000800;
constexpr DWORD WAVE_FORMAT_48M08 = 0x00001000;
constexpr DWORD WAVE_FORMAT_48S08 = 0x00002000;
constexpr DWORD WAVE_FORMAT_48M16 = 0x00004000;
constexpr DWORD WAVE_FORMAT_48S16 = 0x00008000;
constexpr DWORD WAVE_FORMAT_96M08 = 0x00010000;
constexpr DWORD WAVE_FORMAT_96S08 = 0x00020000;
constexpr DWORD WAVE_FORMAT_96M16 = 0x00040000;
constexpr DWORD WAVE_FORMAT_96S16 = 0x00080000;

constexpr WORD MM_UNMAPPED = 0xFFFF;

extern "C" {

// Device ids are 0 to count - 1. The count re-scans the devices when no device is open.
UINT waveOutGetNumDevs() noexcept;
MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size) noexcept;
MMRESULT waveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags) noexcept;
MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) noexcept;
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) noexcept;
MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) noexcept;
MMRESULT waveOutPause(HWAVEOUT device) noexcept;
MMRESULT waveOutRestart(HWAVEOUT device) noexcept;
// Stops playback and returns every queued buffer as done before it returns.
MMRESULT waveOutReset(HWAVEOUT device) noexcept;
// Fails with WAVERR_STILLPLAYING while buffers are queued.
MMRESULT waveOutClose(HWAVEOUT device) noexcept;

}  // extern "C"

// The service thread writes dwFlags while others may read it: read it through this.
DWORD WaveHeaderFlags(const WAVEHDR& header) noexcept;
