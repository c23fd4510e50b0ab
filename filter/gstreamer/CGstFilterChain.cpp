#include "filter/gstreamer/CGstFilterChain.h"

#include <algorithm>

#include "filter/framework/CTransformInputPin.h"

CGstFilterChain::CGstFilterChain() noexcept
    : graph(CFilterGraph::CreateInstance()),
      source(CGstSourceFilter::CreateInstance()),
      sink(CGstSinkRenderer::CreateInstance())
{
    HRESULT hr = S_OK;
    filter = static_cast<CSaturationFilter*>(CSaturationFilter::CreateInstance(nullptr, &hr));
    if (filter != nullptr)
        filter->NonDelegatingAddRef();
    if (!IsValid())
        return;
    graph->AddFilter(source, L"source");
    graph->AddFilter(filter, L"filter");
    graph->AddFilter(sink, L"sink");
}

CGstFilterChain::~CGstFilterChain()
{
    // The graph disconnects and releases its filters before they are released here.
    if (graph != nullptr)
        graph->Release();
    if (sink != nullptr)
        sink->Release();
    if (filter != nullptr)
        filter->Release();
    if (source != nullptr)
        source->Release();
}

bool CGstFilterChain::IsValid() const noexcept
{
    return graph != nullptr && source != nullptr && filter != nullptr && sink != nullptr;
}

HRESULT CGstFilterChain::Start(const WAVEFORMATEX& format)
{
    if (!IsValid())
        return E_OUTOFMEMORY;
    Stop();
    HRESULT hr = Connect(format);
    if (SUCCEEDED(hr))
        hr = graph->Run();
    streaming = SUCCEEDED(hr);
    return hr;
}

void CGstFilterChain::Stop() noexcept
{
    if (streaming)
        graph->Stop();
    streaming = false;
}

HRESULT CGstFilterChain::Connect(const WAVEFORMATEX& format)
{
    Disconnect();
    blockAlign = format.nBlockAlign;
    if (blockAlign <= 0)
        return VFW_E_INVALIDMEDIATYPE;
    if (!source->Pin().SetOffer(format, PieceFrames * blockAlign))
        return E_OUTOFMEMORY;
    const HRESULT hr = graph->ConnectDirect(&source->Pin(), filter->GetPin(0), nullptr);
    if (FAILED(hr))
        return hr;
    return graph->ConnectDirect(filter->GetPin(1), sink->GetPin(0), nullptr);
}

void CGstFilterChain::Disconnect() noexcept
{
    for (IPin* pin : {static_cast<IPin*>(&source->Pin()), static_cast<IPin*>(filter->GetPin(0)),
                      static_cast<IPin*>(filter->GetPin(1)), static_cast<IPin*>(sink->GetPin(0))})
        graph->Disconnect(pin);
}

HRESULT CGstFilterChain::Process(BYTE* data, std::size_t bytes, bool discontinuity)
{
    if (!streaming)
        return VFW_E_WRONG_STATE;
    const std::size_t align = static_cast<std::size_t>(blockAlign);
    const std::size_t piece = static_cast<std::size_t>(PieceFrames) * align;
    const std::size_t whole = bytes / align * align;
    for (std::size_t offset = 0; offset < whole; offset += piece) {
        const long length = static_cast<long>(std::min(piece, whole - offset));
        const HRESULT hr = Deliver(data + offset, length, discontinuity && offset == 0);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CGstFilterChain::Deliver(BYTE* data, long length, bool discontinuity)
{
    // Every sample reports the full piece size, so the work buffer the filter sizes from the
    // first sample of a run holds any later one; the filter touches only the actual length.
    sample.Reset(data, PieceFrames * blockAlign, length, discontinuity);
    sink->Expect();
    const HRESULT hr = filter->InputPin()->Receive(&sample);
    if (hr != S_OK)
        return FAILED(hr) ? hr : E_UNEXPECTED;
    // An in-place filter hands on the sample it was given, changed in its own memory.
    return sink->Delivered(data, length) ? S_OK : E_UNEXPECTED;
}
