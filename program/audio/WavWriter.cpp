#include "program/audio/WavWriter.h"

#include <cerrno>
#include <cstring>

#include "platform/base/Memory.h"

WavWriter::WavWriter() noexcept
    : WavFile("The output file name is too long.\n"),
      file(nullptr), riffChunk{}, formatChunk{}, dataChunk{}, bufferInfo{}, copied(0), step(0),
      written(0)
{
}

WavWriter::~WavWriter()
{
    if (file) mmioClose(file, 0);
}

void WavWriter::Create() noexcept
{
    errorFlag = 0;
    errno = 0;
    if (file) {
        mmioClose(file, 0);
        file = nullptr;
    }
    file = mmioOpenA(fileName, nullptr, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
    if (!file) Fail("Cannot create output file %s.\nProbably in use by another program!\n");
}

MMRESULT WavWriter::BeginData(const MMCKINFO& riffTemplate, const MMCKINFO& formatTemplate,
                              const MMCKINFO& dataTemplate, const WAVEFORMATEX* sourceFormat,
                              int bufferSize) noexcept
{
    errorFlag = 0;
    errno = 0;
    riffChunk = riffTemplate;
    formatChunk = formatTemplate;
    dataChunk = dataTemplate;

    FreeFormat();
    const std::size_t formatBytes = sizeof(WAVEFORMATEX) + (sourceFormat ? sourceFormat->cbSize : 0);
    if (sourceFormat) format = static_cast<WAVEFORMATEX*>(GlobalAlloc(GMEM_FIXED, formatBytes));
    if (!format) Fail("Out of memory.\nClose some applications and try again.\n");
    else std::memcpy(format, sourceFormat, formatBytes);

    if (mmioCreateChunk(file, &riffChunk, MMIO_CREATERIFF) != MMSYSERR_NOERROR)
        Fail("Cannot write to %s.\n");
    if (mmioCreateChunk(file, &formatChunk, 0) != MMSYSERR_NOERROR) Fail("Cannot write to %s.\n");

    // Without a format copy there is nothing to write; the allocation's message stays.
    if (format) {
        const LONG size = format->wFormatTag == WAVE_FORMAT_PCM ? LONG(sizeof(PCMWAVEFORMAT))
                                                                 : LONG(formatBytes);
        if (mmioWrite(file, reinterpret_cast<const char*>(format), size) != size)
            Fail("Cannot write to %s.\n");
    }

    if (mmioAscend(file, &formatChunk, 0) != MMSYSERR_NOERROR)
        Fail("Error writing to %s (ascending error).\n");
    if (mmioCreateChunk(file, &dataChunk, 0) != MMSYSERR_NOERROR) Fail("Cannot write to %s.\n");

    const MMRESULT result = mmioSetBuffer(file, nullptr, bufferSize, 0);
    // The kept buffer state must describe the new buffer, also for a run with no block.
    if (mmioGetInfo(file, &bufferInfo, 0) != MMSYSERR_NOERROR) bufferInfo = MMIOINFO{};
    return result;
}

int WavWriter::WriteBlock(const void* source, int count) noexcept
{
    errorFlag = 0;
    errno = 0;
    written = 0;
    if (mmioGetInfo(file, &bufferInfo, 0) != MMSYSERR_NOERROR) {
        Fail("Cannot write to %s.\n");
        return 0;
    }
    const auto* in = static_cast<const char*>(source);
    for (copied = 0; copied < count; copied += step) {
        if (bufferInfo.pchNext == bufferInfo.pchEndWrite &&
            mmioAdvance(file, &bufferInfo, MMIO_WRITE) != MMSYSERR_NOERROR) {
            Fail("Cannot write to %s.\n");
            break;
        }
        step = int(bufferInfo.pchEndWrite - bufferInfo.pchNext);
        if (step > count - copied) step = count - copied;
        std::memcpy(bufferInfo.pchNext, in + copied, std::size_t(step));
        bufferInfo.dwFlags |= MMIO_DIRTY;
        bufferInfo.pchNext += step;
        written += step;
    }
    if (mmioSetInfo(file, &bufferInfo, 0) != MMSYSERR_NOERROR) Fail("Cannot write to %s.\n");
    return written;
}

void WavWriter::Finish() noexcept
{
    errorFlag = 0;
    errno = 0;
    if (mmioSetInfo(file, &bufferInfo, 0) != MMSYSERR_NOERROR) Fail("Cannot write to %s.\n");
    if (mmioAscend(file, &dataChunk, 0) != MMSYSERR_NOERROR) Fail("Cannot write to %s.\n");
    if (mmioAscend(file, &riffChunk, 0) != MMSYSERR_NOERROR) Fail("Cannot write to %s.\n");
    if (file && mmioClose(file, 0) != MMSYSERR_NOERROR) errorFlag = 1;
    if (!file) errorFlag = 1;
    file = nullptr;
    bufferInfo = MMIOINFO{};
    FreeFormat();
}
