#pragma once

#include <cstddef>

#include "filter/CSaturationFilter.h"
#include "filter/gstreamer/CGstMediaSample.h"
#include "filter/gstreamer/CGstSinkRenderer.h"
#include "filter/gstreamer/CGstSourceFilter.h"
#include "filter/host/CFilterGraph.h"

// The saturation filter in a graph of its own, between a source pin standing for the
// element's sink pad and a renderer standing for its source pad. Each buffer of the
// element reaches the filter through its input pin and Receive as samples that wrap
// the buffer's own memory, and comes back in place.
class CGstFilterChain {
public:
    // Frames in the largest sample handed to the filter: its work buffer is sized from
    // the first sample of a run, so larger buffers go through in pieces of this size.
    static constexpr long PieceFrames = 4096;

    CGstFilterChain() noexcept;
    ~CGstFilterChain();
    CGstFilterChain(const CGstFilterChain&) = delete;
    CGstFilterChain& operator=(const CGstFilterChain&) = delete;

    // False when an object of the chain could not be created.
    bool IsValid() const noexcept;
    // (Re)connects the chain with this format and starts a streaming run.
    HRESULT Start(const WAVEFORMATEX& format);
    // Ends the streaming run; the connection stays.
    void Stop() noexcept;
    bool IsStreaming() const noexcept { return streaming; }
    // Runs the whole frames of data through the filter in place; a trailing partial
    // frame is left as it is.
    HRESULT Process(BYTE* data, std::size_t bytes, bool discontinuity);

    CSaturationFilter& Filter() noexcept { return *filter; }

private:
    HRESULT Connect(const WAVEFORMATEX& format);
    void Disconnect() noexcept;
    HRESULT Deliver(BYTE* data, long length, bool discontinuity);

    CFilterGraph* graph;
    CGstSourceFilter* source;
    CSaturationFilter* filter = nullptr;
    CGstSinkRenderer* sink;
    CGstMediaSample sample;
    long blockAlign = 0;
    bool streaming = false;
};
