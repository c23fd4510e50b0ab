#include "program/ui/CMainDlg.h"

#include <cstring>

#include "platform/base/CCritSec.h"
#include "platform/help/WinHelp.h"
#include "program/audio/OutputDeviceList.h"

namespace {

constexpr const char* NotMonoOrStereo =
    "You have selected a wave file which is neither mono nor stereo.\n"
    "At this time, you can only use mono or stereo wave files.\nSorry.\n";
constexpr const char* WaveFilter = "Windows PCM (*.wav)|*.wav|All files (*.*)|*.*||";

// The text after the last separator: what a file box shows of a path.
std::string DisplayName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Limited(const char* text)
{
    return std::string(text, strnlen(text, CMainDlg::FileNameLimit - 1));
}

}  // namespace

CMainDlg::CMainDlg(MessageBoxService& messageBox, FileDialogService& fileDialog, MainDlgHost& host)
    : messageBox(messageBox),
      fileDialog(fileDialog),
      host(host),
      window([this](UINT message, WPARAM wParam, LPARAM lParam) { OnMessage(message, wParam, lParam); }),
      byteBuffer(BlockBufferBytes),
      floatBuffer(BlockBufferSamples)
{
    blockEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (int id : {IDC_TUBE, IDC_TAPE, IDC_DITHER}) controls[id];
}

// A run still going is stopped and its result thrown away: nobody is left to answer.
CMainDlg::~CMainDlg()
{
    if (running) {
        OnStop();
        discardResult = true;
        OnRunFinished();
    }
    meterDriver.Run(false);
    meterDriver.End();
    ReleaseTemporaryFile();
    if (blockEvent) CloseHandle(blockEvent);
}

void CMainDlg::SetWakeUp(std::function<void()> wakeUp)
{
    window.SetWakeUp([wakeUp = std::move(wakeUp)](const MSG&) { wakeUp(); });
}

void CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RUN_PROGRESS) OnRunProgress(wParam, lParam);
    else if (message == WM_RUN_FINISHED) OnRunFinished(wParam, lParam);
    else if (message == WM_COMMAND) OnCommand(int(LOWORD(wParam)));
}

void CMainDlg::OnInitDialog()
{
    LoadSettings();
    LoadPresets();
    {
        CAutoLock lock(&runLock);
        levels.Reset();
    }
    controls[IDC_START].image = IDB_START_IDLE;
    controls[IDC_PREVIEW].image = IDI_PREVIEW;
    controls[IDC_PROGRESS].check = 0;
    controls[IDC_STOP] = ControlState{false, "STOP", IDI_STOP, 0};
    controls[IDC_PAUSE] = ControlState{false, "PAUSE", IDI_PAUSE, 0};
    pauseFlag = stopFlag = 0;
    controls[IDC_ADD_PRESET].image = IDI_ADD_PRESET;
    controls[IDC_DELETE_PRESET].image = IDI_DELETE_PRESET;
    controls[IDC_SOUNDCARD].image = IDI_SOUNDCARD;
    CheckSoundCards();
    controls[IDC_LOGO].image = colourCount > 16 ? IDB_LOGO : IDB_LOGO_16;
    SetControlsFromFields();
    StartMeters();
    SetFocus(IDC_DEFAULT);
    host.Refresh();
}

void CMainDlg::StartMeters()
{
    inputMeter.SetSegments(18);
    outputMeter.SetSegments(18);
    meterDriver.AddMeter(&inputMeter);
    meterDriver.AddMeter(&outputMeter);
    meterDriver.Start([this](int slot, int* current, int* held, int* over) { GetLevels(slot, current, held, over); },
                      18, 18, 170, 170, 5);
    meterDriver.Run(true);
}

void CMainDlg::OnSize(bool minimized)
{
    CAutoLock lock(&runLock);
    meterDriver.Run(!minimized);
}

void CMainDlg::OnSysColorChange(int count)
{
    colourCount = count;
    if (controls[IDC_LOGO].image != 0) controls[IDC_LOGO].image = colourCount > 16 ? IDB_LOGO : IDB_LOGO_16;
    inputMeter.OnSysColorChange();
    outputMeter.OnSysColorChange();
}

// Step 11 of the initialisation: labels, slider ranges and positions, switch states.
void CMainDlg::SetControlsFromFields()
{
    auto slider = [this](int id, long low, long high, long pos) { sliders[id] = SliderState{low, high, pos}; };
    controls[IDC_GAIN_TEXT].text = engine.GetGainText();
    slider(IDC_GAIN, SaturationEngine::GainSliderLow(), SaturationEngine::GainSliderHigh(), gain);
    controls[IDC_TUBE].image = IDI_TUBE_OFF;
    controls[IDC_TUBE].check = tube;
    slider(IDC_MIX, SaturationEngine::SliderLow(), SaturationEngine::SliderHigh(), mix);
    slider(IDC_CHARACTER, SaturationEngine::SliderLow(), SaturationEngine::SliderHigh(), character);
    slider(IDC_DYNAMICS, SaturationEngine::SliderLow(), SaturationEngine::DynamicsSliderHigh(), dynamics);
    controls[IDC_TAPE].image = IDI_TAPE_OFF;
    controls[IDC_TAPE].check = tape;
    slider(IDC_KNEE, SaturationEngine::KneeSliderLow(), SaturationEngine::SliderHigh(), knee);
    controls[IDC_LIMITER_TEXT].text = engine.GetLimiterText();
    slider(IDC_LIMITER, SaturationEngine::SliderLow(), SaturationEngine::LimiterSliderHigh(), limiter);
    controls[IDC_DITHER].check = dither;
}

void CMainDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_START: OnStart(); break;
    case IDC_PREVIEW: OnPreview(); break;
    case IDC_PAUSE: OnPause(); break;
    case IDC_STOP: OnStop(); break;
    case IDC_SOUNDCARD: OnSoundCardConfig(); break;
    case IDC_BROWSE_INPUT: OnBrowseInput(); break;
    case IDC_BROWSE_OUTPUT: OnBrowseOutput(); break;
    case IDC_ADD_PRESET: OnAddPreset(); break;
    case IDC_DELETE_PRESET: OnDeletePreset(); break;
    case IDC_TUBE:
    case IDC_TAPE:
    case IDC_DITHER: OnSwitch(id); break;
    case IDC_MINIMIZE: host.Minimize(); break;
    case IDC_CLOSE:
    case IDOK_COMMAND: OnOK(); break;
    case IDCANCEL_COMMAND: OnCancel(); break;
    case IDC_QUESTION: host.ShowQuestionMenu(); break;
    case ID_TOOL_TIPS: OnToolTips(); break;
    case ID_REAL_TIME_WATCH: OnRealTimeWatch(); break;
    case ID_HELP_TOPICS: OnHelpTopics(); break;
    case ID_APP_ABOUT:
        host.ShowAbout();
        SetFocus(IDC_DEFAULT);
        break;
    default: break;
    }
    host.Refresh();
}

void CMainDlg::OnScroll(UINT controlId, LONG pos)
{
    OnParameter(int(controlId), int(pos));
    host.Refresh();
}

// The slider handlers: the value is stored and handed to the engine under the run lock,
// as the worker uses the engine meanwhile; a value the engine rejects stays stored.
void CMainDlg::OnParameter(int controlId, int value)
{
    CAutoLock lock(&runLock);
    switch (controlId) {
    case IDC_GAIN: engine.SetGain(gain = value); break;
    case IDC_MIX: engine.SetMix(mix = value); break;
    case IDC_CHARACTER: engine.SetCharacter(character = value); break;
    case IDC_DYNAMICS: engine.SetDynamics(dynamics = value); break;
    case IDC_KNEE: engine.SetKnee(knee = value); break;
    case IDC_LIMITER: engine.SetLimiter(limiter = value); break;
    default: return;
    }
    sliders[controlId].pos = value;
    if (engine.GetErrorFlag()) messageBox.Show("ERROR", engine.GetErrorText(), MB_OK | MB_ICONSTOP);
    if (controlId == IDC_GAIN) controls[IDC_GAIN_TEXT].text = engine.GetGainText();
    if (controlId == IDC_LIMITER) controls[IDC_LIMITER_TEXT].text = engine.GetLimiterText();
}

void CMainDlg::OnSwitch(int controlId)
{
    CAutoLock lock(&runLock);
    const int value = controls[controlId].check;
    if (controlId == IDC_TUBE) {
        engine.SetTube(tube = value);
        controls[IDC_TUBE].image = IDI_TUBE_OFF;
    } else if (controlId == IDC_TAPE) {
        engine.SetTape(tape = value);
        controls[IDC_TAPE].image = IDI_TAPE_OFF;
    } else {
        engine.SetDither(dither = value);
    }
    if (engine.GetErrorFlag()) messageBox.Show("ERROR", engine.GetErrorText(), MB_OK | MB_ICONSTOP);
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::OnFileBoxSelected(int boxId, int index)
{
    FileBox& box = boxId == IDC_INPUT_FILE ? inputFiles : outputFiles;
    if (index < -1 || index >= int(box.items.size())) return;
    box.selected = index;
    box.text = index < 0 ? std::string() : box.items[std::size_t(index)].display;
    if (boxId == IDC_INPUT_FILE) OnInputSelected();
    else OnOutputSelected();
    host.Refresh();
}

void CMainDlg::OnInputSelected()
{
    if (inputFiles.selected < 0 || inputFiles.text.empty()) {
        reader.SetFileName("");
        SetFocus(IDC_DEFAULT);
        return;
    }
    inputPath = Limited(inputFiles.items[std::size_t(inputFiles.selected)].path.c_str());
    reader.SetFileName(inputPath.c_str());
    if (reader.GetErrorFlag()) return RejectInput(reader.GetErrorText());
    reader.Open();
    if (reader.GetErrorFlag()) return RejectInput(reader.GetErrorText());
    reader.ReadHeader(10);
    if (reader.GetErrorFlag()) return RejectInput(reader.GetErrorText());
    const WORD channels = reader.GetChannels();
    if (channels != 1 && channels != 2) return RejectInput(NotMonoOrStereo);
    reader.Close();
    SetFocus(IDC_DEFAULT);
}

// A file that failed the input check leaves the list, and the reader has no file.
void CMainDlg::RejectInput(const char* text)
{
    const std::string message = text;
    reader.Close();
    messageBox.Show("ERROR", message, MB_OK | MB_ICONSTOP);
    reader.SetFileName("");
    inputFiles.text.clear();
    SetFocus(IDC_INPUT_FILE);
    if (inputFiles.selected >= 0) inputFiles.items.erase(inputFiles.items.begin() + inputFiles.selected);
    inputFiles.selected = -1;
}

void CMainDlg::OnOutputSelected()
{
    if (outputFiles.selected < 0 || outputFiles.text.empty()) {
        writer.SetFileName("");
    } else {
        outputName = Limited(outputFiles.items[std::size_t(outputFiles.selected)].path.c_str());
        writer.SetFileName(temporaryPath.c_str());
    }
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::OnBrowseInput()
{
    std::string start = "*.wav";
    if (inputFiles.selected >= 0) {
        const std::string& path = inputFiles.items[std::size_t(inputFiles.selected)].path;
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos) start = path.substr(0, slash + 1) + "*.wav";
    }
    if (BrowseInto(inputFiles, true, start)) OnInputSelected();
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::OnBrowseOutput()
{
    std::string start;
    const char* input = reader.GetFileName();
    if (input[0] != '\0') {
        start = input;
        const std::size_t dot = start.rfind('.');
        const std::size_t slash = start.rfind('/');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) start += 'E';
        else start.insert(dot, "E");
    }
    if (BrowseInto(outputFiles, false, start)) OnOutputSelected();
    SetFocus(IDC_DEFAULT);
}

bool CMainDlg::BrowseInto(FileBox& box, bool open, const std::string& startName)
{
    FileDialogService::Request request;
    request.open = open;
    request.defaultExtension = "wav";
    request.startName = startName;
    request.flags = open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT;
    request.filter = WaveFilter;
    std::string chosen;
    if (!fileDialog.Run(request, &chosen) || chosen.empty()) return false;
    AddFile(box, chosen.c_str());
    return true;
}

void CMainDlg::AddFile(FileBox& box, const char* path)
{
    const std::string full = Limited(path);
    box.items.push_back({Limited(DisplayName(full).c_str()), full});
    box.selected = int(box.items.size()) - 1;
    box.text = box.items.back().display;
}

void CMainDlg::AddInputFile(const char* path)
{
    AddFile(inputFiles, path);
    OnInputSelected();
}

void CMainDlg::AddOutputFile(const char* path)
{
    AddFile(outputFiles, path);
    OnOutputSelected();
}

void CMainDlg::OnToolTips()
{
    toolTips = !toolTips;
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::OnRealTimeWatch()
{
    CAutoLock lock(&runLock);
    realTimeWatch = !realTimeWatch;
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::OnHelpTopics()
{
    WinHelpA(GetSafeHwnd(), helpFile.c_str(), HELP_CONTEXT, HelpContextForTemplate(IDD_MAIN));
}

// The OK path, also reached by the close glyph and the window's close.
void CMainDlg::OnOK()
{
    if (running) {
        OnStop();
        OnRunFinished();
    }
    writeFlag = 1;
    SaveSettings();
    SavePresets();
    EndDialog(IDOK);
}

// Escape ends the window without saving settings; a run is stopped first and its result
// thrown away, as nobody is left to answer the save question.
void CMainDlg::OnCancel()
{
    if (running) {
        OnStop();
        discardResult = true;
        OnRunFinished();
    }
    EndDialog(IDCANCEL);
}

void CMainDlg::EndDialog(int result)
{
    OutputDeviceList::Clear();
    WinHelpA(GetSafeHwnd(), helpFile.c_str(), HELP_QUIT, 0);
    host.EndDialog(result);
}
