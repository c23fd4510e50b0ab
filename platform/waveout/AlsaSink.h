#pragma once

#include <memory>
#include <string>

#include <alsa/asoundlib.h>

#include "platform/waveout/WaveOut.h"
#include "platform/waveout/WaveOutSink.h"

// An ALSA playback PCM in non-blocking interleaved mode. Underruns are recovered.
class AlsaSink : public WaveOutSink {
public:
    // MMSYSERR_NOERROR and the sink, WAVERR_BADFORMAT when the PCM refuses the format,
    // MMSYSERR_ALLOCATED when it is busy, MMSYSERR_NODRIVER when it cannot be opened.
    // With queryOnly the PCM is closed again and no sink is made.
    static MMRESULT Open(const std::string& pcmName, const WAVEFORMATEX& format, bool queryOnly,
                         std::unique_ptr<WaveOutSink>* sink) noexcept;
    ~AlsaSink() override;

    long Write(const BYTE* data, DWORD bytes) noexcept override;
    ULONGLONG Pending() noexcept override;
    void Wait(bool haveData, ULONGLONG untilDone, DWORD milliseconds) noexcept override;
    void Pause(bool paused) noexcept override;
    void Discard() noexcept override;

private:
    AlsaSink(snd_pcm_t* pcm, DWORD frameBytes, DWORD rate, bool canPause) noexcept;

    snd_pcm_t* const pcm;
    const DWORD frameBytes;
    const DWORD rate;
    const bool canPause;
};

// The ALSA sample format of a PCM format, or SND_PCM_FORMAT_UNKNOWN.
snd_pcm_format_t AlsaFormatOf(const WAVEFORMATEX& format) noexcept;

// Sets access, format, channels and the exact rate on `params`; false if the PCM refuses.
bool RestrictAlsaParams(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, snd_pcm_format_t format,
                        unsigned channels, unsigned rate) noexcept;

// Keeps ALSA's own diagnostics off stderr; the result codes say what went wrong.
void SilenceAlsaDiagnostics() noexcept;
