#include "filter/host/CWavSourcePin.h"

#include <algorithm>
#include <cstring>

#include "filter/framework/CMemAllocator.h"
#include "filter/host/CWavSource.h"
#include "platform/com/ComErrors.h"

CWavSourcePin::CWavSourcePin(CWavSource* source, CCritSec* lock) noexcept
    : CBaseOutputPin(L"WAV source pin", source, lock, nullptr, L"Output"),
      source(source),
      ownAllocator(CMemAllocator::CreateInstance())
{
}

CWavSourcePin::~CWavSourcePin()
{
    stopRequested = true;
    if (thread.joinable())
        thread.join();
    if (ownAllocator != nullptr)
        ownAllocator->Release();
}

HRESULT CWavSourcePin::GetMediaType(int position, CMediaType* type)
{
    if (position != 0)
        return VFW_S_NO_MORE_ITEMS;
    const WAVEFORMATEX& format = source->Format();
    type->InitMediaType();
    type->majortype = MEDIATYPE_Audio;
    type->subtype = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    type->formattype = FORMAT_WaveFormatEx;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = format.nBlockAlign;
    return type->SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof format) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CWavSourcePin::CheckMediaType(const CMediaType* type)
{
    CMediaType own;
    if (FAILED(GetMediaType(0, &own)))
        return E_OUTOFMEMORY;
    return own == *type ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CWavSourcePin::DecideBufferSize(IMemAllocator* target, ALLOCATOR_PROPERTIES*)
{
    const long align = source->Format().nBlockAlign;
    long bytes = source->GetOptions().bufferBytes / align * align;
    if (bytes <= 0)
        bytes = align;
    ALLOCATOR_PROPERTIES request{4, bytes, 4, 0};
    ALLOCATOR_PROPERTIES actual{};
    return target->SetProperties(&request, &actual);
}

HRESULT CWavSourcePin::DecideAllocator(IMemInputPin* pin, IMemAllocator** result)
{
    *result = nullptr;
    if (ownAllocator == nullptr)
        return E_OUTOFMEMORY;
    HRESULT hr = DecideBufferSize(ownAllocator, nullptr);
    if (FAILED(hr))
        return hr;
    hr = pin->NotifyAllocator(ownAllocator, source->GetOptions().readOnly ? TRUE : FALSE);
    if (FAILED(hr))
        return hr;
    ownAllocator->AddRef();
    *result = ownAllocator;
    return S_OK;
}

HRESULT CWavSourcePin::Active()
{
    const HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr))
        return hr;
    // A thread that reached the end of the data has finished.
    if (thread.joinable())
        thread.join();
    stopRequested = false;
    thread = std::thread([this] { Stream(); });
    return S_OK;
}

HRESULT CWavSourcePin::Inactive()
{
    stopRequested = true;
    // Decommitting wakes a thread waiting for a free sample.
    const HRESULT hr = CBaseOutputPin::Inactive();
    if (thread.joinable())
        thread.join();
    return hr;
}

void CWavSourcePin::Stream()
{
    const WAVEFORMATEX& format = source->Format();
    const ULONGLONG length = source->Length();
    ULONGLONG position = 0;
    bool first = true;
    while (!stopRequested.load()) {
        const LONGLONG seek = seekFrame.exchange(-1);
        if (seek >= 0) {
            const ULONGLONG target = static_cast<ULONGLONG>(seek) * format.nBlockAlign;
            position = target < length ? target : length;
            first = true;
        }
        if (position >= length) {
            DeliverEndOfStream();
            return;
        }
        IMediaSample* sample = nullptr;
        if (FAILED(allocator->GetBuffer(&sample, nullptr, nullptr, 0)))
            return;
        BYTE* buffer = nullptr;
        sample->GetPointer(&buffer);
        const long count = source->Fill(position, buffer, sample->GetSize());
        if (count <= 0) {
            // The file could not be read (or ended before its data did).
            sample->Release();
            source->NotifyEvent(EC_ERRORABORT, STG_E_READFAULT, 0);
            return;
        }
        sample->SetActualDataLength(count);
        sample->SetDiscontinuity(first ? TRUE : FALSE);
        sample->SetSyncPoint(TRUE);
        const LONGLONG frame = static_cast<LONGLONG>(position / format.nBlockAlign);
        REFERENCE_TIME start = frame * 10000000 / format.nSamplesPerSec;
        REFERENCE_TIME end = (frame + count / format.nBlockAlign) * 10000000 / format.nSamplesPerSec;
        sample->SetTime(&start, &end);
        first = false;
        position += static_cast<ULONGLONG>(count);
        const HRESULT hr = Deliver(sample);
        sample->Release();
        if (hr != S_OK) {
            // A stopped or flushing peer ends the stream quietly; a failure is reported.
            if (FAILED(hr) && hr != VFW_E_WRONG_STATE && !stopRequested.load())
                source->NotifyEvent(EC_ERRORABORT, hr, 0);
            return;
        }
    }
}
