#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/SaturationEngine.h"
#include "platform/base/CCritSec.h"
#include "platform/base/Win32.h"
#include "platform/fs/TemporaryFile.h"
#include "program/audio/LevelExchange.h"
#include "pcm/SampleConverter.h"
#include "program/audio/WaveOutPlayer.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"
#include "program/audio/WorkerContext.h"
#include "program/ui/CLevelMeter.h"
#include "program/ui/CMeterDriver.h"
#include "program/ui/FileDialogService.h"
#include "program/ui/MainDlgHost.h"
#include "program/ui/MessageBoxService.h"
#include "program/ui/CPresetList.h"
#include "program/ui/PresetBox.h"
#include "program/ui/ResourceIds.h"

// What a control of the main window shows; the window's widget draws it from here.
struct ControlState {
    bool enabled = true;
    std::string text;
    int image = 0;
    int check = 0;
};

// A file box: items with their display text and full path, and the selected item.
struct FileBox {
    struct Item {
        std::string display;
        std::string path;
    };
    std::vector<Item> items;
    int selected = -1;
    std::string text;
};

struct SliderState {
    long low = 0;
    long high = 0;
    long pos = 0;
};

// The program's main window without its toolkit: the controls' state, every handler, the
// run control and the settings. The widget above it forwards input and draws the state;
// message boxes, file dialogs and the window's own services go through the services and
// the host.
class CMainDlg {
public:
    CMainDlg(MessageBoxService& messageBox, FileDialogService& fileDialog, MainDlgHost& host);
    ~CMainDlg();
    CMainDlg(const CMainDlg&) = delete;
    CMainDlg& operator=(const CMainDlg&) = delete;

    // Called once the widget's controls exist.
    void OnInitDialog();

    // Window messages: the worker's progress and end, and posted commands. The wake-up is
    // called on the posting thread and must only schedule PumpMessages on the window's
    // thread; the controls are drawn again after a pump that handled messages.
    HWND GetSafeHwnd() const { return window.GetSafeHwnd(); }
    void SetWakeUp(std::function<void()> wakeUp);
    int PumpMessages() { return window.PumpMessages(); }

    // Input from the widget.
    void OnCommand(int id);
    void OnScroll(UINT controlId, LONG pos);
    void OnFileBoxSelected(int boxId, int index);
    // The preset box: an item chosen, a name typed, the focus leaving it for focusId, and
    // the Enter key with the control that has the focus and its text.
    void OnPresetSelected(int boxIndex);
    void OnPresetText(const std::string& text);
    void OnPresetKillFocus(int focusId);
    void OnEnterKey(int focusId, const std::string& focusText);
    const PresetBox& Presets() const { return presetBox; }
    void OnCancel();
    void OnOK();

    // Run control.
    void CheckSoundCards();
    void OnStart();
    void OnPreview();
    void OnPause();
    void OnStop();
    void OnRunProgress(WPARAM lateCount, LPARAM frames);
    void OnRunFinished(WPARAM = 0, LPARAM = 0);
    void OnSoundCardConfig();
    // On the meter driver's thread.
    void GetLevels(int slot, int* current, int* held, int* over);
    // The window was minimised or shown again: the meters tick only while it is visible.
    void OnSize(bool minimized);
    // The screen's colour count, at start and after a system colour change.
    void OnSysColorChange(int colourCount);
    // 0xRRGGBB: blue-violet, or light grey on 16 colours.
    unsigned GetBackgroundColour() const { return colourCount > 16 ? 0x9999FFu : 0xC0C0C0u; }
    CLevelMeter& Meter(int id) { return id == IDC_INPUT_METER ? inputMeter : outputMeter; }
    CMeterDriver& MeterDriver() { return meterDriver; }
    // What the progress handler writes and the meters read, under the run lock.
    LevelExchange& Levels() { return levels; }

    // The help file the help commands open.
    void SetHelpFile(const std::string& path) { helpFile = path; }
    const std::string& GetHelpFile() const { return helpFile; }

    void LoadSettings();
    void SaveSettings();
    void LoadSoundCardSettings(const char* section);
    void SaveSoundCardSettings(const char* section);
    void AddInputFile(const char* path);
    void AddOutputFile(const char* path);

    // State the widget draws.
    const ControlState& Control(int id) { return controls[id]; }
    const FileBox& Files(int id) { return id == IDC_INPUT_FILE ? inputFiles : outputFiles; }
    const SliderState& Slider(int id) { return sliders[id]; }
    int GetProgress() const { return percentDone; }
    int GetFocusId() const { return focusId; }
    // Grows with every focus move, so the widget moves the focus only when asked to.
    int GetFocusCount() const { return focusCount; }
    int GetToolTips() const { return toolTips; }
    int GetRealTimeWatch() const { return realTimeWatch; }
    int IsRunning() const { return running; }
    int GetListenFlag() const { return listenFlag; }
    int GetWriteFlag() const { return writeFlag; }
    int GetPreviewFlag() const { return previewFlag; }
    int GetPauseFlag() const { return pauseFlag; }
    int GetClipThreshold() const { return clipThreshold; }
    const std::string& GetTemporaryPath() const { return temporaryPath; }
    const std::string& GetPresetName() const { return currentPresetName; }
    SaturationEngine& Engine() { return engine; }
    WaveOutPlayer& Player() { return player; }
    CRITICAL_SECTION* RunLock() { return runLock.Section(); }
    // The widget sets a switch's check state before its click reaches the handler.
    void SetCheck(int id, int check) { controls[id].check = check; }

    static constexpr int FileNameLimit = 260;

private:
    void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnParameter(int controlId, int value);
    void OnSwitch(int controlId);
    void OnInputSelected();
    void OnOutputSelected();
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnToolTips();
    void OnRealTimeWatch();
    void OnHelpTopics();
    void EndDialog(int result);
    void RejectInput(const char* text);
    bool BrowseInto(FileBox& box, bool open, const std::string& startName);
    void AddFile(FileBox& box, const char* path);
    void SaveFileList(const FileBox& box, const char* current, const char* const recent[3]);
    void LoadPlacement();
    void SetControlsFromFields();
    void StartMeters();
    void LoadPresets();
    void SavePresets();
    void ApplyPreset(const SaturationSettings& values);
    void OnAddPreset();
    void OnDeletePreset();
    void RemovePreset(int boxIndex);

    // Run-control steps.
    bool OpenInput();
    bool OpenOutput();
    bool OpenListening();
    void EndListeningAtOnce();
    bool ListeningFailed(const std::string& failure);
    void EndPreviewRequest();
    void WaitForWorker();
    void OfferResult();
    void SetRunControls(bool runningState);
    void FillContext();
    void StartWorker();
    void AbandonStart();
    void SaveResult();
    void DiscardResult();
    bool ClaimTemporaryFile();
    void ReleaseTemporaryFile();
    void UpdateLevel(LevelSlot& slot, int level);
    void Blink();
    void Fail(const std::string& caption, const std::string& text, UINT type);
    void SetFocus(int id)
    {
        focusId = id;
        ++focusCount;
    }

    MessageBoxService& messageBox;
    FileDialogService& fileDialog;
    MainDlgHost& host;
    MessageWindow window;

    SaturationEngine engine;
    WavReader reader;
    WavWriter writer;
    WaveOutPlayer player;
    SampleConverter converter;
    std::vector<unsigned char> byteBuffer;
    std::vector<float> floatBuffer;
    WorkerContext context;
    CCritSec runLock;
    HANDLE blockEvent = nullptr;
    LevelExchange levels;

    std::map<int, ControlState> controls;
    std::map<int, SliderState> sliders;
    FileBox inputFiles;
    FileBox outputFiles;
    int focusId = 0;
    int focusCount = 0;

    int soundCardAvailable = 0;
    int listenFlag = 1;
    int writeFlag = 1;
    int previewFlag = 0;
    int savedListen = 0;
    int savedWrite = 0;
    int running = 0;
    int pauseFlag = 0;
    int stopFlag = 0;
    int realTimeWatch = 1;
    int realTimeWarningGiven = 0;
    DWORD totalFrames = 0;
    unsigned long long framesDone = 0;
    int percentDone = 0;
    std::string outputName;
    std::string temporaryPath;
    std::unique_ptr<TemporaryFile> temporary;  // held while a run writes its result
    int blockSize = 16384;
    HANDLE workerThread = nullptr;
    int clipThreshold = -1;

    int gain = 0, mix = 0, character = 0, dynamics = 0, knee = 0, limiter = 0;
    int tube = 0, tape = 0, dither = 0;
    int toolTips = 1;
    int keptValue = 0;
    std::string currentPresetName;
    CPresetList presetList;
    PresetBox presetBox;
    std::string inputPath;
    std::string helpFile;
    bool discardResult = false;
    int colourCount = 1 << 24;

    CLevelMeter inputMeter;
    CLevelMeter outputMeter;
    CMeterDriver meterDriver;
};
