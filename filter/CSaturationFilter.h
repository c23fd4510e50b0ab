#pragma once

#include "filter/CFilterSettings.h"
#include "filter/IFilterPresets.h"
#include "filter/framework/CTransInPlaceFilter.h"
#include "pcm/SampleConverter.h"

// The in-place audio filter: every sample passing through is converted to floats, run
// through the engine and converted back in the same buffer (float streams are processed
// in the sample's own memory).
class CSaturationFilter final : public CTransInPlaceFilter {
public:
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
    CSaturationFilter(LPCWSTR name, IUnknown* outer, HRESULT* phr) noexcept;

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ~CSaturationFilter() override;
    const AMOVIESETUP_FILTER* GetSetupData() override;
    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    using CTransInPlaceFilter::Transform;
    HRESULT Transform(IMediaSample* sample) override;
    HRESULT GetClassID(CLSID* pClsID) override;

    CFilterSettings& Settings() noexcept { return settings; }

private:
    class PropertyPages final : public ISpecifyPropertyPages {
    public:
        explicit PropertyPages(CSaturationFilter& filter) noexcept : filter(filter) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return filter.GetOwner()->QueryInterface(riid, ppv); }
        ULONG AddRef() override { return filter.GetOwner()->AddRef(); }
        ULONG Release() override { return filter.GetOwner()->Release(); }
        HRESULT GetPages(CAUUID* pPages) override;

    private:
        CSaturationFilter& filter;
    };

    class Persistence final : public IPersistStream {
    public:
        explicit Persistence(CSaturationFilter& filter) noexcept : filter(filter) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return filter.GetOwner()->QueryInterface(riid, ppv); }
        ULONG AddRef() override { return filter.GetOwner()->AddRef(); }
        ULONG Release() override { return filter.GetOwner()->Release(); }
        HRESULT GetClassID(CLSID* pClassID) override { return filter.GetClassID(pClassID); }
        HRESULT IsDirty() override { return filter.settings.IsDirty(); }
        HRESULT Load(IStream* pStm) override { return filter.settings.Load(pStm); }
        HRESULT Save(IStream* pStm, BOOL fClearDirty) override { return filter.settings.Save(pStm, fClearDirty); }
        HRESULT GetSizeMax(ULARGE_INTEGER* pcbSize) override;

    private:
        CSaturationFilter& filter;
    };

    class Presets final : public IFilterPresets {
    public:
        explicit Presets(CSaturationFilter& filter) noexcept : filter(filter) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return filter.GetOwner()->QueryInterface(riid, ppv); }
        ULONG AddRef() override { return filter.GetOwner()->AddRef(); }
        ULONG Release() override { return filter.GetOwner()->Release(); }
        HRESULT GetPresetCount(int* out) override;
        HRESULT GetPresetName(int index, wchar_t* buffer, int length) override;
        HRESULT ApplyPreset(int index) override;

    private:
        CSaturationFilter& filter;
    };

    CFilterSettings settings;
    PropertyPages propertyPages;
    Persistence persistence;
    Presets presets;
    FilterWaveFormat waveFormat{};
    SampleConverter converter;
    int actualLength = 0;
    int frames = 0;
    int firstBufferSize = 0;
    int floatBufferLength = 0;
    BYTE* samplePointer = nullptr;
    float* floatBuffer = nullptr;
};
