#include "filter/CFilterSettings.h"

#include <cstring>

#include "platform/base/MessageWindow.h"

namespace {

// Header of the persisted record: its size, then the settings interface's identifier.
struct RecordHeader {
    std::int32_t size;
    GUID iid;
};
static_assert(sizeof(RecordHeader) == 20);

} // namespace

CFilterSettings::CFilterSettings(IUnknown* owner) noexcept : owner(owner)
{
    CAutoLock guard(&lock);
    settings = SaturationSettings::FromEngine(engine);
    streaming = 0;
}

CFilterSettings::~CFilterSettings() = default;

HRESULT CFilterSettings::Get(ParameterId id, int* out)
{
    if (out == nullptr)
        return E_POINTER;
    CAutoLock guard(&lock);
    *out = settings[id];
    return S_OK;
}

HRESULT CFilterSettings::Put(ParameterId id, int value)
{
    CAutoLock guard(&lock);
    const int clamped = ParameterTable::Get(id).Clamp(value);
    if (clamped != settings[id]) {
        settings[id] = clamped;
        changed = 1;
        // Every setting changed since the last snapshot stays pending.
        if (changeRecord != AllChanged)
            changeRecord |= ChangeBit(id);
        dirty = 1;
    }
    return S_OK;
}

HRESULT CFilterSettings::get_Streaming(int* out)
{
    if (out == nullptr)
        return E_POINTER;
    CAutoLock guard(&lock);
    *out = streaming;
    return S_OK;
}

HRESULT CFilterSettings::GetSettings(SaturationSettings* out)
{
    if (out == nullptr)
        return E_POINTER;
    CAutoLock guard(&lock);
    *out = settings;
    return S_OK;
}

HRESULT CFilterSettings::PutSettings(const SaturationSettings* in)
{
    if (in == nullptr)
        return E_POINTER;
    CAutoLock guard(&lock);
    settings = *in;
    changed = 1;
    dirty = 1;
    changeRecord = AllChanged;
    for (const ParameterInfo& info : ParameterTable::All)
        settings[info.id] = info.Clamp(settings[info.id]);
    return S_OK;
}

HRESULT CFilterSettings::GetWaveFormat(BYTE* out)
{
    if (out == nullptr)
        return E_POINTER;
    CAutoLock guard(&lock);
    if (waveFormat == nullptr)
        return VFW_E_NOT_CONNECTED;
    std::memcpy(out, waveFormat, sizeof(FilterWaveFormat));
    return S_OK;
}

void CFilterSettings::SetWaveFormat(const FilterWaveFormat* format)
{
    CAutoLock guard(&lock);
    waveFormat = format;
}

HRESULT CFilterSettings::SetNotifyWindow(HWND window, int commandId)
{
    CAutoLock guard(&lock);
    NotifySlot* slot = nullptr;
    for (NotifySlot& candidate : notifySlots)
        if (candidate.window != nullptr && candidate.window == window)
            slot = &candidate;
    if (slot == nullptr)
        for (NotifySlot& candidate : notifySlots)
            if (candidate.window == nullptr)
                slot = &candidate;
    if (slot == nullptr)
        return commandId != 0 ? E_OUTOFMEMORY : S_OK;
    slot->commandId = commandId;
    slot->window = commandId != 0 ? window : nullptr;
    return S_OK;
}

HRESULT CFilterSettings::Notify(int pinDirection)
{
    CAutoLock guard(&lock);
    for (NotifySlot& slot : notifySlots) {
        if (slot.window == nullptr)
            continue;
        if (!IsWindow(slot.window)) {
            slot.window = nullptr;
            continue;
        }
        PostMessage(slot.window, WM_COMMAND,
                    MAKELONG(static_cast<WORD>(slot.commandId), static_cast<WORD>(pinDirection)), 0);
    }
    return S_OK;
}

int CFilterSettings::TakeSnapshot(SaturationSettings* snapshot)
{
    CAutoLock guard(&lock);
    *snapshot = settings;
    const int result = changed;
    changed = 0;
    takenRecord = changeRecord;
    changeRecord = 0;
    return result;
}

HRESULT CFilterSettings::ApplyToEngine(const SaturationSettings& snapshot, int continuity)
{
    if (takenRecord != AllChanged && continuity == 1) {
        for (const ParameterInfo& info : ParameterTable::All)
            if (takenRecord & ChangeBit(info.id))
                (engine.*info.set)(snapshot[info.id]);
    } else {
        for (const ParameterInfo& info : ParameterTable::All)
            (engine.*info.set)(snapshot[info.id]);
    }
    applied = 1;
    return S_OK;
}

HRESULT CFilterSettings::OnFormat(const FilterWaveFormat* format)
{
    SetWaveFormat(format);
    const int bits = format->format.wBitsPerSample == 32 ? 24 : format->format.wBitsPerSample;
    engine.SetFormat(bits, static_cast<int>(format->format.nSamplesPerSec), format->format.nChannels);
    SaturationSettings snapshot{};
    TakeSnapshot(&snapshot);
    const HRESULT hr = ApplyToEngine(snapshot, 0);
    CAutoLock guard(&lock);
    streaming = 1;
    return hr;
}

HRESULT CFilterSettings::ProcessBlock(int continuity, float* buffer, int frames)
{
    SaturationSettings snapshot{};
    if (TakeSnapshot(&snapshot) != 0 || applied == 0) {
        const HRESULT hr = ApplyToEngine(snapshot, continuity);
        if (FAILED(hr))
            return hr;
    }
    engine.Process(buffer, frames);
    return S_OK;
}

void CFilterSettings::StopStreaming()
{
    CAutoLock guard(&lock);
    streaming = 0;
}

HRESULT CFilterSettings::IsDirty()
{
    CAutoLock guard(&lock);
    return dirty ? S_OK : S_FALSE;
}

HRESULT CFilterSettings::Load(IStream* stream)
{
    if (stream == nullptr)
        return E_POINTER;
    RecordHeader header{};
    ULONG read = 0;
    HRESULT hr = stream->Read(&header, sizeof header, &read);
    if (FAILED(hr))
        return hr;
    if (read != sizeof header || header.size != RecordSize || !(header.iid == IID_ISaturationSettings))
        return E_FAIL;
    SaturationSettings loaded{};
    read = 0;
    hr = stream->Read(&loaded, sizeof loaded, &read);
    if (FAILED(hr))
        return hr;
    // A short record would leave the settings partly replaced.
    if (read != sizeof loaded)
        return E_FAIL;
    CAutoLock guard(&lock);
    settings = loaded;
    return hr;
}

HRESULT CFilterSettings::Save(IStream* stream, BOOL clearDirty)
{
    if (stream == nullptr)
        return E_POINTER;
    const RecordHeader header{RecordSize, IID_ISaturationSettings};
    SaturationSettings saved{};
    {
        CAutoLock guard(&lock);
        saved = settings;
    }
    ULONG written = 0;
    HRESULT hr = stream->Write(&header, sizeof header, &written);
    if (FAILED(hr))
        return hr;
    if (written != sizeof header)
        return STG_E_MEDIUMFULL;
    hr = stream->Write(&saved, sizeof saved, &written);
    if (FAILED(hr))
        return hr;
    if (written != sizeof saved)
        return STG_E_MEDIUMFULL;
    if (clearDirty) {
        CAutoLock guard(&lock);
        dirty = 0;
    }
    return S_OK;
}
