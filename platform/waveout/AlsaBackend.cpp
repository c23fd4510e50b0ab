#include "platform/waveout/AlsaBackend.h"

#include <alsa/asoundlib.h>

#include "platform/waveout/AlsaSink.h"

namespace {

struct StandardFormat {
    DWORD flag;
    unsigned rate;
    unsigned channels;
    snd_pcm_format_t format;
};

constexpr StandardFormat kStandardFormats[] = {
    {WAVE_FORMAT_1M08, 11025, 1, SND_PCM_FORMAT_U8},  {WAVE_FORMAT_1S08, 11025, 2, SND_PCM_FORMAT_U8},
    {WAVE_FORMAT_1M16, 11025, 1, SND_PCM_FORMAT_S16_LE}, {WAVE_FORMAT_1S16, 11025, 2, SND_PCM_FORMAT_S16_LE},
    {WAVE_FORMAT_2M08, 22050, 1, SND_PCM_FORMAT_U8},  {WAVE_FORMAT_2S08, 22050, 2, SND_PCM_FORMAT_U8},
    {WAVE_FORMAT_2M16, 22050, 1, SND_PCM_FORMAT_S16_LE}, {WAVE_FORMAT_2S16, 22050, 2, SND_PCM_FORMAT_S16_LE},
    {WAVE_FORMAT_4M08, 44100, 1, SND_PCM_FORMAT_U8},  {WAVE_FORMAT_4S08, 44100, 2, SND_PCM_FORMAT_U8},
    {WAVE_FORMAT_4M16, 44100, 1, SND_PCM_FORMAT_S16_LE}, {WAVE_FORMAT_4S16, 44100, 2, SND_PCM_FORMAT_S16_LE},
    {WAVE_FORMAT_48M08, 48000, 1, SND_PCM_FORMAT_U8}, {WAVE_FORMAT_48S08, 48000, 2, SND_PCM_FORMAT_U8},
    {WAVE_FORMAT_48M16, 48000, 1, SND_PCM_FORMAT_S16_LE}, {WAVE_FORMAT_48S16, 48000, 2, SND_PCM_FORMAT_S16_LE},
    {WAVE_FORMAT_96M08, 96000, 1, SND_PCM_FORMAT_U8}, {WAVE_FORMAT_96S08, 96000, 2, SND_PCM_FORMAT_U8},
    {WAVE_FORMAT_96M16, 96000, 1, SND_PCM_FORMAT_S16_LE}, {WAVE_FORMAT_96S16, 96000, 2, SND_PCM_FORMAT_S16_LE},
};

// Fills the format mask and channel count from what the PCM accepts; false if it does not open.
bool Probe(const std::string& pcmName, WAVEOUTCAPSA& caps)
{
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_hw_params_t* any = nullptr;
    snd_pcm_hw_params_t* trial = nullptr;
    bool ok = snd_pcm_hw_params_malloc(&any) == 0 && snd_pcm_hw_params_malloc(&trial) == 0
           && snd_pcm_hw_params_any(pcm, any) >= 0;
    if (ok) {
        caps.dwFormats = 0;
        caps.wChannels = 1;
        for (const StandardFormat& f : kStandardFormats) {
            snd_pcm_hw_params_copy(trial, any);
            if (RestrictAlsaParams(pcm, trial, f.format, f.channels, f.rate)) {
                caps.dwFormats |= f.flag;
                if (f.channels == 2) caps.wChannels = 2;
            }
        }
    }
    if (trial) snd_pcm_hw_params_free(trial);
    if (any) snd_pcm_hw_params_free(any);
    snd_pcm_close(pcm);
    return ok;
}

}  // namespace

AlsaBackend::AlsaBackend()
{
    SilenceAlsaDiagnostics();
    Add("default", "Default output", 0);

    snd_ctl_card_info_t* cardInfo = nullptr;
    snd_pcm_info_t* pcmInfo = nullptr;
    if (snd_ctl_card_info_malloc(&cardInfo) == 0 && snd_pcm_info_malloc(&pcmInfo) == 0) {
        int card = -1;
        while (snd_card_next(&card) == 0 && card >= 0) {
            const std::string cardName = "hw:" + std::to_string(card);
            snd_ctl_t* ctl = nullptr;
            if (snd_ctl_open(&ctl, cardName.c_str(), 0) < 0) continue;
            const std::string cardLabel =
                snd_ctl_card_info(ctl, cardInfo) == 0 ? snd_ctl_card_info_get_name(cardInfo) : cardName;
            int device = -1;
            while (snd_ctl_pcm_next_device(ctl, &device) == 0 && device >= 0) {
                snd_pcm_info_set_device(pcmInfo, unsigned(device));
                snd_pcm_info_set_subdevice(pcmInfo, 0);
                snd_pcm_info_set_stream(pcmInfo, SND_PCM_STREAM_PLAYBACK);
                if (snd_ctl_pcm_info(ctl, pcmInfo) < 0) continue;  // a capture-only device
                const std::string pcm =
                    "plughw:" + std::to_string(card) + "," + std::to_string(device);
                Add(pcm, cardLabel + ": " + snd_pcm_info_get_name(pcmInfo),
                    WORD((card << 8) | (device & 0xFF)));
            }
            snd_ctl_close(ctl);
        }
    }
    if (pcmInfo) snd_pcm_info_free(pcmInfo);
    if (cardInfo) snd_ctl_card_info_free(cardInfo);
}

void AlsaBackend::Add(const std::string& pcm, const std::string& name, WORD productId)
{
    Device d{pcm, {}};
    d.caps.wMid = MM_UNMAPPED;
    d.caps.wPid = productId;
    d.caps.vDriverVersion = MMVERSION((SND_LIB_MAJOR << 8) | SND_LIB_MINOR);
    SetDeviceName(d.caps, name.c_str());
    if (Probe(pcm, d.caps)) devices.push_back(d);
}

UINT AlsaBackend::Count() const noexcept { return UINT(devices.size()); }

const WAVEOUTCAPSA& AlsaBackend::Caps(UINT id) const noexcept { return devices[id].caps; }

MMRESULT AlsaBackend::Query(UINT id, const WAVEFORMATEX& format) noexcept
{
    return AlsaSink::Open(devices[id].pcm, format, true, nullptr);
}

MMRESULT AlsaBackend::Open(UINT id, const WAVEFORMATEX& format,
                           std::unique_ptr<WaveOutSink>& sink) noexcept
{
    return AlsaSink::Open(devices[id].pcm, format, false, &sink);
}
