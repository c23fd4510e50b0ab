#include "program/audio/WavReader.h"

#include <cstdint>
#include <cstring>

#include "platform/base/Memory.h"

namespace {

constexpr FOURCC WaveForm = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC FormatId = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC DataId = mmioFOURCC('d', 'a', 't', 'a');

}  // namespace

WavReader::WavReader() noexcept
    : WavFile("The input file name is too long.\n"),
      file(nullptr), riffChunk{}, formatChunk{}, dataChunk{}, bytesRemaining(0), fileFormat{},
      extraBytes(0), bufferInfo{}, copied(0), step(0)
{
}

WavReader::~WavReader()
{
    if (file) mmioClose(file, 0);
}

void WavReader::Open() noexcept
{
    errorFlag = 0;
    if (file) {
        mmioClose(file, 0);
        file = nullptr;
    }
    FreeFormat();
    file = mmioOpenA(fileName, nullptr, MMIO_READ | MMIO_ALLOCBUF);
    if (!file) Fail("Cannot find or open input file %s.\n");
}

void WavReader::ReadHeader(int bufferSize) noexcept
{
    errorFlag = 0;
    FreeFormat();
    riffChunk = MMCKINFO{};
    formatChunk = MMCKINFO{};
    dataChunk = MMCKINFO{};
    fileFormat = PCMWAVEFORMAT{};
    bytesRemaining = 0;

    // Each step runs even after a failed one; the last failure's message stays.
    if (mmioDescend(file, &riffChunk, nullptr, 0) != MMSYSERR_NOERROR)
        Fail("Input file, %s, is not a valid WAV file (descending error).\n");
    if (riffChunk.ckid != FOURCC_RIFF || riffChunk.fccType != WaveForm)
        Fail("Input file, %s, is not a valid WAV file (RIFF/WAVE header error).\n");

    formatChunk.ckid = FormatId;
    if (mmioDescend(file, &formatChunk, &riffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        Fail("Input file, %s, is not a valid WAV file (format error).\n");
    if (formatChunk.cksize < sizeof(PCMWAVEFORMAT))
        Fail("Input file, %s, is not a valid WAV file (format error).\n");

    if (mmioRead(file, reinterpret_cast<HPSTR>(&fileFormat), sizeof fileFormat) !=
        LONG(sizeof fileFormat))
        Fail("Cannot read from %s\n");

    // Only PCM is processed, so the extra bytes of other formats are never read.
    extraBytes = 0;
    if (fileFormat.wf.wFormatTag != WAVE_FORMAT_PCM)
        Fail("Input file, %s, is not a valid WAV file (format error).\n");

    format = static_cast<WAVEFORMATEX*>(GlobalAlloc(GMEM_FIXED, sizeof(WAVEFORMATEX) + extraBytes));
    if (!format) {
        Fail("Out of memory.\nClose some applications and try again.\n");
    } else {
        std::memcpy(format, &fileFormat, sizeof fileFormat);
        format->cbSize = WORD(extraBytes);
    }

    if (fileFormat.wBitsPerSample != 8 && fileFormat.wBitsPerSample != 16)
        Fail("Input file, %s, is not 8 or 16 bit format.\n");
    else CheckLayout();

    if (mmioAscend(file, &formatChunk, 0) != MMSYSERR_NOERROR)
        Fail("Input file, %s, is not a valid WAV file (ascend error).\n");

    dataChunk.ckid = DataId;
    if (mmioDescend(file, &dataChunk, &riffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        Fail("Input file, %s, is not a valid WAV file (descend error).\n");
    bytesRemaining = dataChunk.cksize;

    if (mmioSetBuffer(file, nullptr, bufferSize, 0) != MMSYSERR_NOERROR)
        Fail("Cannot create play buffer.\nClose some programs and try again.\n");
}

// Sizes and times are worked out from the rate and the frame size: a format whose
// fields disagree would be processed and copied into the output as it is.
void WavReader::CheckLayout() noexcept
{
    const WAVEFORMAT& wf = fileFormat.wf;
    const DWORD frameBytes = DWORD(wf.nChannels) * fileFormat.wBitsPerSample / 8;
    if (wf.nSamplesPerSec == 0)
        Fail("Input file, %s, is not a valid WAV file (its sample rate is 0).\n");
    else if (wf.nBlockAlign != frameBytes ||
             std::uint64_t(wf.nAvgBytesPerSec) != std::uint64_t(wf.nSamplesPerSec) * frameBytes)
        Fail("Input file, %s, is not a valid WAV file (its block alignment or byte rate does not match "
             "its channels and bits).\n");
}

void WavReader::SetBufferSize(int bufferSize) noexcept
{
    if (mmioSetBuffer(file, nullptr, bufferSize, 0) != MMSYSERR_NOERROR)
        Fail("Cannot create play buffer.\nClose some programs and try again.\n");
}

int WavReader::ReadBlock(void* destination, int count) noexcept
{
    errorFlag = 0;
    if (mmioGetInfo(file, &bufferInfo, 0) != MMSYSERR_NOERROR) {
        Fail("Cannot read from %s.\n");
        return 0;
    }
    if (count < 0) count = 0;
    if (DWORD(count) > bytesRemaining) count = int(bytesRemaining);
    bytesRemaining -= DWORD(count);

    auto* out = static_cast<char*>(destination);
    for (copied = 0; copied < count; copied += step) {
        if (bufferInfo.pchNext == bufferInfo.pchEndRead) {
            if (mmioAdvance(file, &bufferInfo, MMIO_READ) != MMSYSERR_NOERROR ||
                bufferInfo.pchNext == bufferInfo.pchEndRead) {
                // The data chunk claims more than the file holds.
                Fail("Cannot read from %s.\n");
                bytesRemaining = 0;
                count = copied;
                break;
            }
        }
        step = int(bufferInfo.pchEndRead - bufferInfo.pchNext);
        if (step > count - copied) step = count - copied;
        std::memcpy(out + copied, bufferInfo.pchNext, std::size_t(step));
        bufferInfo.pchNext += step;
    }

    if (mmioSetInfo(file, &bufferInfo, 0) != MMSYSERR_NOERROR) Fail("Cannot read from %s.\n");
    return count;
}

void WavReader::Close() noexcept
{
    errorFlag = 0;
    FreeFormat();
    if (file && mmioClose(file, 0) != MMSYSERR_NOERROR) Fail("Error closing input file, %s.\n");
    file = nullptr;
}

WORD WavReader::GetBitsPerSample() noexcept
{
    errorFlag = 0;
    return format ? format->wBitsPerSample : 0;
}

WORD WavReader::GetChannels() noexcept
{
    errorFlag = 0;
    return format ? format->nChannels : 0;
}

DWORD WavReader::GetSampleRate() noexcept
{
    errorFlag = 0;
    return format ? format->nSamplesPerSec : 0;
}

DWORD WavReader::GetTotalFrames() noexcept
{
    errorFlag = 0;
    if (!format || format->nBlockAlign == 0) return 0;
    return dataChunk.cksize / format->nBlockAlign;
}

const MMCKINFO& WavReader::GetRiffChunk() noexcept
{
    errorFlag = 0;
    return riffChunk;
}

const MMCKINFO& WavReader::GetFormatChunk() noexcept
{
    errorFlag = 0;
    return formatChunk;
}

const MMCKINFO& WavReader::GetDataChunk() noexcept
{
    errorFlag = 0;
    return dataChunk;
}

const WAVEFORMATEX* WavReader::GetFormat() noexcept
{
    errorFlag = 0;
    return format;
}
