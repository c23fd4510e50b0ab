#pragma once

#include <string>
#include <vector>

#include "filter/ISaturationSettings.h"
#include "filter/framework/MediaInterfaces.h"
#include "tools/embrel-host/CPageSite.h"

class CFilterGraph;
class CWavSource;
class CWaveOutRenderer;
class IFilterPresets;

// What embrel-host does, without its window: the saturation filter created by class id
// through the registry, a graph WAV source -> filter -> wave-out renderer for the open
// file, play, pause and stop, the filter's factory presets, and the filter's property
// page shown through ISpecifyPropertyPages inside a window of the host.
class CHostSession {
public:
    enum class State { Closed, Stopped, Paused, Playing };

    CHostSession() = default;
    ~CHostSession();
    CHostSession(const CHostSession&) = delete;
    CHostSession& operator=(const CHostSession&) = delete;

    // False with the reason in *error.
    bool CreateFilter(std::string* error);
    // Replaces the open file (stopping it); false with the reason, the earlier file closed.
    bool Open(const std::string& path, std::string* error);
    HRESULT Play();
    HRESULT Pause();
    // Stops and goes back to the beginning.
    HRESULT Stop();
    // Called now and then while playing: true once the file has played to its end, which
    // stops and rewinds it. *failure is the error that ended playing early, else S_OK.
    bool PollFinished(HRESULT* failure);
    State GetState() const noexcept { return state; }
    const std::string& FilePath() const noexcept { return path; }

    std::vector<std::wstring> PresetNames();
    // Applies a factory preset; an open page shows it at once.
    HRESULT ApplyPreset(int index);

    // Activates the filter's page inside parent at rect; size gets the page's own size.
    HRESULT ShowPage(HWND parent, const RECT& rect);
    HRESULT GetPageSize(SIZE* size);
    void ClosePage();
    IPropertyPage* Page() const noexcept { return page; }
    ISaturationSettings* Settings() const noexcept { return settings; }

private:
    HRESULT CreatePage();
    void CloseGraph();

    IBaseFilter* filter = nullptr;
    ISaturationSettings* settings = nullptr;
    IFilterPresets* presets = nullptr;
    IPropertyPage* page = nullptr;
    CPageSite site;
    bool pageActive = false;
    CFilterGraph* graph = nullptr;
    CWavSource* source = nullptr;
    CWaveOutRenderer* renderer = nullptr;
    State state = State::Closed;
    std::string path;
};
