#pragma once

#include <string>
#include <vector>

#include "filter/CSaturationFilter.h"
#include "filter/host/CFilterGraph.h"
#include "filter/host/CMemoryRenderer.h"
#include "filter/host/CWavSource.h"

// A WAV image of the given format and data.
WavClip MakeWav(WORD tag, WORD bits, WORD channels, DWORD rate, std::vector<BYTE> data);
std::vector<BYTE> Pcm16(const std::vector<int>& samples);
std::vector<BYTE> Floats(const std::vector<float>& samples);
// An audio media type carrying the first 16 (or more) bytes of a wave format.
CMediaType AudioType(WORD tag, WORD bits, WORD channels, DWORD rate = 44100, ULONG formatBytes = 18);

// The engine run over the blocks the source delivers (bufferBytes each), dither aside.
std::vector<BYTE> ReferencePcm(const WavClip& wav, const SaturationSettings& settings, long bufferBytes);

// Pins of a filter by index, without a reference.
IPin* PinOf(CBaseFilter* filter, int index);

// Runs a connected graph to the end of the stream and stops it; returns the run's first failure.
HRESULT RunToEnd(CFilterGraph* graph);

// source -> saturation filter -> memory renderer, all in one graph.
struct FilterGraphFixture {
    CFilterGraph* graph = nullptr;
    CWavSource* source = nullptr;
    CSaturationFilter* filter = nullptr;
    CMemoryRenderer* renderer = nullptr;

    FilterGraphFixture(const WavClip& wav, bool asFloat, CWavSource::Options options = {});
    ~FilterGraphFixture();
    FilterGraphFixture(const FilterGraphFixture&) = delete;
    FilterGraphFixture& operator=(const FilterGraphFixture&) = delete;

    HRESULT Connect();
    // Runs to the end of the stream and stops; returns the run's first failure.
    HRESULT RunToEnd();
    ISaturationSettings* Settings() { return &filter->Settings(); }
};

// Points the registry at a fresh file of this process for the life of the object.
struct ScopedRegistry {
    std::string path;
    ScopedRegistry();
    ~ScopedRegistry();
};
