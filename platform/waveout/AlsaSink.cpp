#include "platform/waveout/AlsaSink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <mutex>
#include <thread>

namespace {

constexpr unsigned kBufferMicroseconds = 200000;
constexpr unsigned kPeriodMicroseconds = 50000;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

MMRESULT OpenError(int err)
{
    return err == -EBUSY || err == -EAGAIN ? MMSYSERR_ALLOCATED : MMSYSERR_NODRIVER;
}

}  // namespace

void SilenceAlsaDiagnostics() noexcept
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(IgnoreAlsaError); });
}

snd_pcm_format_t AlsaFormatOf(const WAVEFORMATEX& format) noexcept
{
    switch (format.wBitsPerSample) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    case 32: return SND_PCM_FORMAT_S32_LE;
    default: return SND_PCM_FORMAT_UNKNOWN;
    }
}

bool RestrictAlsaParams(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, snd_pcm_format_t format,
                        unsigned channels, unsigned rate) noexcept
{
    return snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) == 0
        && snd_pcm_hw_params_set_format(pcm, params, format) == 0
        && snd_pcm_hw_params_set_channels(pcm, params, channels) == 0
        && snd_pcm_hw_params_set_rate(pcm, params, rate, 0) == 0;
}

MMRESULT AlsaSink::Open(const std::string& pcmName, const WAVEFORMATEX& format, bool queryOnly,
                        std::unique_ptr<WaveOutSink>* sink) noexcept
{
    SilenceAlsaDiagnostics();
    const snd_pcm_format_t alsaFormat = AlsaFormatOf(format);
    if (alsaFormat == SND_PCM_FORMAT_UNKNOWN) return WAVERR_BADFORMAT;

    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) return OpenError(err);

    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_sw_params_t* sw = nullptr;
    MMRESULT result = MMSYSERR_NOERROR;
    if (snd_pcm_hw_params_malloc(&hw) < 0 || snd_pcm_sw_params_malloc(&sw) < 0) {
        result = MMSYSERR_NOMEM;
    } else if (snd_pcm_hw_params_any(pcm, hw) < 0
               || !RestrictAlsaParams(pcm, hw, alsaFormat, format.nChannels,
                                      format.nSamplesPerSec)) {
        result = WAVERR_BADFORMAT;
    } else if (!queryOnly) {
        unsigned bufferTime = kBufferMicroseconds;
        unsigned periodTime = kPeriodMicroseconds;
        snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, nullptr);
        snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, nullptr);
        snd_pcm_uframes_t period = 0;
        if (snd_pcm_hw_params(pcm, hw) < 0 || snd_pcm_hw_params_get_period_size(hw, &period, nullptr) < 0
            || snd_pcm_sw_params_current(pcm, sw) < 0
            || snd_pcm_sw_params_set_avail_min(pcm, sw, period) < 0
            || snd_pcm_sw_params_set_start_threshold(pcm, sw, 1) < 0
            || snd_pcm_sw_params(pcm, sw) < 0) {
            result = MMSYSERR_ERROR;
        } else {
            const bool canPause = snd_pcm_hw_params_can_pause(hw) != 0;
            sink->reset(new (std::nothrow) AlsaSink(pcm, format.nBlockAlign, format.nSamplesPerSec,
                                                    canPause));
            if (*sink) pcm = nullptr;  // the sink owns it now
            else result = MMSYSERR_NOMEM;
        }
    }
    if (hw) snd_pcm_hw_params_free(hw);
    if (sw) snd_pcm_sw_params_free(sw);
    if (pcm) snd_pcm_close(pcm);
    return result;
}

AlsaSink::AlsaSink(snd_pcm_t* p, DWORD fb, DWORD r, bool pause) noexcept
    : pcm(p), frameBytes(fb), rate(r), canPause(pause)
{
}

AlsaSink::~AlsaSink() { snd_pcm_close(pcm); }

long AlsaSink::Write(const BYTE* data, DWORD bytes) noexcept
{
    const snd_pcm_uframes_t frames = bytes / frameBytes;
    if (frames == 0) return 0;
    const snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, frames);
    if (n >= 0) return long(n) * long(frameBytes);
    if (n == -EAGAIN) return 0;
    // Underrun or suspend: recover and try again on the next pass.
    return snd_pcm_recover(pcm, int(n), 1) == 0 ? 0 : -1;
}

ULONGLONG AlsaSink::Pending() noexcept
{
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0) return 0;  // an underrun has played it all
    return ULONGLONG(delay) * frameBytes;
}

void AlsaSink::Wait(bool haveData, ULONGLONG untilDone, DWORD milliseconds) noexcept
{
    const ULONGLONG frames = std::min(Pending(), untilDone) / frameBytes;
    if (frames == 0 && !haveData) return;
    const auto left = std::min<std::chrono::microseconds>(
        std::chrono::microseconds(frames * 1000000 / std::max<DWORD>(rate, 1)),
        std::chrono::milliseconds(milliseconds));
    if (haveData) {
        // Returns at once in an error state; the next write recovers it.
        snd_pcm_wait(pcm, int(std::max<long long>(1, left.count() / 1000)));
        return;
    }
    std::this_thread::sleep_for(left);
}

void AlsaSink::Pause(bool paused) noexcept
{
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (paused && state == SND_PCM_STATE_RUNNING && canPause) snd_pcm_pause(pcm, 1);
    else if (!paused && state == SND_PCM_STATE_PAUSED) snd_pcm_pause(pcm, 0);
    // Without hardware pause the queued sound plays out and the next write recovers.
}

void AlsaSink::Discard() noexcept
{
    snd_pcm_drop(pcm);
    snd_pcm_prepare(pcm);
}
