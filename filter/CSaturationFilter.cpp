#include "filter/CSaturationFilter.h"

#include <cstring>
#include <new>

#include "engine/FactoryPresets.h"
#include "filter/framework/CTransformOutputPin.h"
#include "platform/base/Memory.h"
#include "platform/base/WaveFormat.h"
#include "platform/com/ComApi.h"

namespace {

const AMOVIESETUP_MEDIATYPE pinTypes[] = {{&MEDIATYPE_Audio, &GUID_NULL}};

const AMOVIESETUP_PIN pins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &GUID_NULL, L"Output", 1, pinTypes},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &GUID_NULL, L"Input", 1, pinTypes},
};

const AMOVIESETUP_FILTER setupFilter = {&CLSID_SaturationFilter, L"Calyrix by Quorel", MERIT_DO_NOT_USE, 2, pins};

} // namespace

CUnknown* CSaturationFilter::CreateInstance(IUnknown* outer, HRESULT* phr)
{
    auto* filter = new (std::nothrow) CSaturationFilter(L"Calyrix by Quorel", outer, phr);
    if (filter == nullptr && phr != nullptr)
        *phr = E_OUTOFMEMORY;
    return filter;
}

CSaturationFilter::CSaturationFilter(LPCWSTR name, IUnknown* outer, HRESULT*) noexcept
    : CTransInPlaceFilter(name, outer, CLSID_SaturationFilter),
      settings(GetOwner()),
      propertyPages(*this),
      persistence(*this),
      presets(*this)
{
    presets.ApplyPreset(0);
}

CSaturationFilter::~CSaturationFilter()
{
    // A filter released while streaming still returns its buffer.
    if (floatBuffer != nullptr)
        HeapFree(GetProcessHeap(), 0, floatBuffer);
}

HRESULT CSaturationFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_ISaturationSettings))
        return GetInterface(static_cast<ISaturationSettings*>(&settings), ppv);
    if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
        return GetInterface(&propertyPages, ppv);
    if (IsEqualIID(riid, IID_IPersistStream))
        return GetInterface(&persistence, ppv);
    if (IsEqualIID(riid, IID_IFilterPresets))
        return GetInterface(&presets, ppv);
    return CTransInPlaceFilter::NonDelegatingQueryInterface(riid, ppv);
}

const AMOVIESETUP_FILTER* CSaturationFilter::GetSetupData()
{
    return &setupFilter;
}

HRESULT CSaturationFilter::CheckInputType(const CMediaType* in)
{
    if (in == nullptr || !(in->majortype == MEDIATYPE_Audio) || in->bTemporalCompression ||
        in->cbFormat < 16 || in->pbFormat == nullptr)
        return E_INVALIDARG;
    WAVEFORMATEX format{};
    std::memcpy(&format, in->pbFormat, 16);
    if (format.nChannels != 1 && format.nChannels != 2)
        return E_INVALIDARG;
    if (format.wFormatTag == WAVE_FORMAT_PCM && (format.wBitsPerSample == 8 || format.wBitsPerSample == 16))
        return S_OK;
    if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && format.wBitsPerSample == 32)
        return S_OK;
    return E_INVALIDARG;
}

HRESULT CSaturationFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    {
        CAutoLock guard(settings.Lock());
        std::memcpy(&waveFormat.format, type->pbFormat, 16);
        WAVEFORMATEX& format = waveFormat.format;
        SetDerivedWaveFields(format);
        format.cbSize = 0;
    }
    CTransInPlaceFilter::SetMediaType(direction, type);
    settings.SetWaveFormat(&waveFormat);
    settings.Notify(direction);
    return S_OK;
}

HRESULT CSaturationFilter::StartStreaming()
{
    const WAVEFORMATEX& format = waveFormat.format;
    converter.SetFormats(format.wBitsPerSample, format.nChannels, format.wBitsPerSample, format.nChannels);
    floatBuffer = nullptr;
    return settings.OnFormat(&waveFormat);
}

HRESULT CSaturationFilter::StopStreaming()
{
    if (floatBuffer != nullptr)
        HeapFree(GetProcessHeap(), 0, floatBuffer);
    floatBuffer = nullptr;
    settings.StopStreaming();
    return S_OK;
}

HRESULT CSaturationFilter::Receive(IMediaSample* sample)
{
    const HRESULT hr = Transform(sample);
    if (FAILED(hr))
        return hr;
    if (hr == S_FALSE)
        return S_OK;
    return output->Deliver(sample);
}

HRESULT CSaturationFilter::Transform(IMediaSample* sample)
{
    const WAVEFORMATEX& format = waveFormat.format;
    if (floatBuffer == nullptr) {
        const int size = sample->GetSize();
        // Room for every sample of the first buffer, whole frames or not.
        const int count = size / (format.wBitsPerSample / 8);
        floatBuffer = static_cast<float*>(HeapAlloc(GetProcessHeap(), 0, static_cast<std::size_t>(count) * 4));
        if (floatBuffer == nullptr)
            return E_OUTOFMEMORY;
        floatBufferLength = count;
        firstBufferSize = size;
    }
    actualLength = sample->GetActualDataLength();
    samplePointer = nullptr;
    sample->GetPointer(&samplePointer);
    if (firstBufferSize < actualLength)
        return E_OUTOFMEMORY;
    const int continuity = sample->IsDiscontinuity() == S_FALSE ? 1 : 0;
    HRESULT hr = S_OK;
    if (format.wFormatTag == WAVE_FORMAT_PCM) {
        frames = converter.ToFloat(samplePointer, actualLength, floatBuffer);
        hr = settings.ProcessBlock(continuity, floatBuffer, frames);
        converter.ToPcm(floatBuffer, frames, samplePointer);
    } else {
        frames = actualLength / format.nBlockAlign;
        hr = settings.ProcessBlock(continuity, reinterpret_cast<float*>(samplePointer), frames);
    }
    sample->SetActualDataLength(actualLength);
    return hr;
}

HRESULT CSaturationFilter::GetClassID(CLSID* pClsID)
{
    if (pClsID == nullptr)
        return E_POINTER;
    *pClsID = CLSID_SaturationFilter;
    return S_OK;
}

HRESULT CSaturationFilter::PropertyPages::GetPages(CAUUID* pPages)
{
    if (pPages == nullptr)
        return E_POINTER;
    pPages->cElems = 1;
    pPages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pPages->pElems == nullptr)
        return E_OUTOFMEMORY;
    pPages->pElems[0] = CLSID_SaturationPage;
    return S_OK;
}

HRESULT CSaturationFilter::Persistence::GetSizeMax(ULARGE_INTEGER* pcbSize)
{
    if (pcbSize == nullptr)
        return E_POINTER;
    pcbSize->QuadPart = CFilterSettings::RecordSize;
    return S_OK;
}

HRESULT CSaturationFilter::Presets::GetPresetCount(int* out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = static_cast<int>(FactoryPresets::Count);
    return S_OK;
}

HRESULT CSaturationFilter::Presets::GetPresetName(int index, wchar_t* buffer, int length)
{
    const FactoryPreset* preset = FactoryPresets::Get(index);
    if (preset == nullptr)
        return E_INVALIDARG;
    if (buffer == nullptr)
        return E_POINTER;
    if (length <= 0)
        return E_INVALIDARG;
    int i = 0;
    for (; i < length - 1 && i < static_cast<int>(sizeof preset->name) && preset->name[i] != '\0'; ++i)
        buffer[i] = static_cast<wchar_t>(static_cast<unsigned char>(preset->name[i]));
    buffer[i] = L'\0';
    return S_OK;
}

HRESULT CSaturationFilter::Presets::ApplyPreset(int index)
{
    const FactoryPreset* preset = FactoryPresets::Get(index);
    if (preset == nullptr)
        return E_INVALIDARG;
    return filter.settings.PutSettings(&preset->settings);
}
