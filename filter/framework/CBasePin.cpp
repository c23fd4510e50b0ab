#include "filter/framework/CBasePin.h"

#include <cwchar>

#include "filter/framework/CBaseFilter.h"
#include "filter/framework/CEnumMediaTypes.h"
#include "platform/com/ComApi.h"

namespace {

bool IsPartiallySpecified(const CMediaType* type)
{
    return type->majortype == GUID_NULL || type->formattype == GUID_NULL;
}

// A proposed partial type matches a candidate in the fields it names.
bool MatchesPartial(const CMediaType* proposed, const CMediaType& candidate)
{
    if (proposed == nullptr)
        return true;
    if (!(proposed->majortype == GUID_NULL) && !(proposed->majortype == candidate.majortype))
        return false;
    if (!(proposed->subtype == GUID_NULL) && !(proposed->subtype == candidate.subtype))
        return false;
    if (!(proposed->formattype == GUID_NULL) && !(proposed->formattype == candidate.formattype))
        return false;
    return true;
}

} // namespace

CBasePin::CBasePin(LPCWSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT*, LPCWSTR pinName,
                   PIN_DIRECTION direction) noexcept
    : CUnknown(objectName, nullptr), filter(filter), lock(lock), pinName(pinName), direction(direction)
{
}

CBasePin::~CBasePin()
{
    if (connected != nullptr)
        connected->Release();
}

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IPin))
        return GetInterface(static_cast<IPin*>(this), ppv);
    if (IsEqualIID(riid, IID_IUnknown))
        return GetInterface(static_cast<IPin*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CBasePin::NonDelegatingAddRef()
{
    return filter->AddRef();
}

ULONG CBasePin::NonDelegatingRelease()
{
    return filter->Release();
}

bool CBasePin::IsStopped() const noexcept
{
    return filter->IsStopped();
}

HRESULT CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    if (pReceivePin == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    if (connected != nullptr)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    if (pmt == nullptr)
        return AgreeMediaType(pReceivePin, nullptr);
    const CMediaType proposed(*pmt);
    return AgreeMediaType(pReceivePin, &proposed);
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* proposed)
{
    if (proposed != nullptr && !IsPartiallySpecified(proposed))
        return AttemptConnection(receivePin, proposed);

    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int side = 0; side < 2; ++side) {
        IEnumMediaTypes* types = nullptr;
        const HRESULT hr = side == 0 ? receivePin->EnumMediaTypes(&types) : EnumMediaTypes(&types);
        if (FAILED(hr) || types == nullptr)
            continue;
        const HRESULT attempt = TryMediaTypes(receivePin, proposed, types);
        types->Release();
        if (SUCCEEDED(attempt))
            return S_OK;
        if (attempt != VFW_E_NO_ACCEPTABLE_TYPES)
            last = attempt;
    }
    return last;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* proposed, IEnumMediaTypes* types)
{
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* next = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &next, &fetched) != S_OK || fetched != 1 || next == nullptr)
            return last;
        const CMediaType candidate(*next);
        DeleteMediaType(next);
        if (!candidate.IsValid() || !MatchesPartial(proposed, candidate))
            continue;
        const HRESULT hr = AttemptConnection(receivePin, &candidate);
        if (SUCCEEDED(hr))
            return S_OK;
        last = hr;
    }
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* type)
{
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(type);
    if (hr != S_OK) {
        BreakConnect();
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    }
    connected = receivePin;
    connected->AddRef();
    hr = SetMediaType(type);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(this, type);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receivePin);
            if (SUCCEEDED(hr))
                return S_OK;
            receivePin->Disconnect();
        }
    }
    connected->Release();
    connected = nullptr;
    mediaType.InitMediaType();
    BreakConnect();
    return hr;
}

HRESULT CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    if (pConnector == nullptr || pmt == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    if (connected != nullptr)
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    const CMediaType type(*pmt);
    hr = CheckMediaType(&type);
    if (hr != S_OK) {
        BreakConnect();
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    }
    connected = pConnector;
    connected->AddRef();
    hr = SetMediaType(&type);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pConnector);
        if (SUCCEEDED(hr))
            return S_OK;
    }
    connected->Release();
    connected = nullptr;
    mediaType.InitMediaType();
    BreakConnect();
    return hr;
}

HRESULT CBasePin::Disconnect()
{
    CAutoLock guard(lock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    if (connected == nullptr)
        return S_FALSE;
    const HRESULT hr = BreakConnect();
    if (FAILED(hr))
        return hr;
    connected->Release();
    connected = nullptr;
    mediaType.InitMediaType();
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pPin)
{
    if (pPin == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    *pPin = connected;
    if (connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (pmt == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    if (connected == nullptr) {
        *pmt = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &mediaType);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (pInfo == nullptr)
        return E_POINTER;
    pInfo->pFilter = filter;
    filter->AddRef();
    pInfo->dir = direction;
    std::wcsncpy(pInfo->achName, pinName.c_str(), MAX_PIN_NAME - 1);
    pInfo->achName[MAX_PIN_NAME - 1] = L'\0';
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (pPinDir == nullptr)
        return E_POINTER;
    *pPinDir = direction;
    return S_OK;
}

HRESULT CBasePin::CopyText(LPCWSTR text, LPWSTR* out) noexcept
{
    if (out == nullptr)
        return E_POINTER;
    const std::size_t length = std::wcslen(text) + 1;
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(length * sizeof(WCHAR)));
    if (*out == nullptr)
        return E_OUTOFMEMORY;
    std::wmemcpy(*out, text, length);
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* Id)
{
    return CopyText(pinName.c_str(), Id);
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    if (pmt == nullptr)
        return E_POINTER;
    const CMediaType type(*pmt);
    const HRESULT hr = CheckMediaType(&type);
    return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = CEnumMediaTypes::Create(this);
    return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::EndOfStream()
{
    return S_OK;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    segmentStart = tStart;
    segmentStop = tStop;
    segmentRate = dRate;
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type)
{
    mediaType = *type;
    return mediaType.IsValid() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::CheckConnect(IPin* pin)
{
    PIN_DIRECTION other;
    const HRESULT hr = pin->QueryDirection(&other);
    if (FAILED(hr))
        return hr;
    return other == direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect()
{
    return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*)
{
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*)
{
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::Active()
{
    return S_OK;
}

HRESULT CBasePin::Inactive()
{
    return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME)
{
    return S_OK;
}
