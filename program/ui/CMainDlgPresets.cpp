// The main window's presets: the list and its file, the sorted preset box, and applying,
// adding and deleting presets.
#include <string>

#include "engine/ParameterTable.h"
#include "platform/base/CCritSec.h"
#include "program/ui/CMainDlg.h"

void CMainDlg::LoadPresets()
{
    presetList.Load();
    if (presetList.GetErrorFlag())
        messageBox.Show("Preset Warning", presetList.GetErrorText(), MB_OK | MB_ICONEXCLAMATION);
    presetBox.ResetContent();
    for (std::size_t i = 0; i < presetList.GetCount(); ++i) presetBox.AddString(presetList.Get(i).name);
    presetBox.SetCurSel(presetBox.FindStringExact(currentPresetName));
}

// A save that fails is offered again, so the user can make room or fix the directory.
void CMainDlg::SavePresets()
{
    for (presetList.Save(); presetList.GetErrorFlag(); presetList.Save()) {
        const std::string text = std::string(presetList.GetErrorText()) + "\nDo you want to try again?\n";
        if (messageBox.Show("ERROR", text, MB_YESNO | MB_ICONSTOP) != IDYES) break;
    }
}

void CMainDlg::OnPresetSelected(int boxIndex)
{
    presetBox.SetCurSel(boxIndex);
    const CPresets* preset = boxIndex >= 0 ? presetList.Find(presetBox.GetItem(boxIndex)) : nullptr;
    if (preset) {
        currentPresetName = preset->name;
        ApplyPreset(preset->GetSettings());
    }
    host.Refresh();
}

// Each value goes to its field and the engine; the control shows what the engine reads back.
void CMainDlg::ApplyPreset(const SaturationSettings& values)
{
    static constexpr std::pair<int CMainDlg::*, int> fields[ParameterTable::Count] = {
        {&CMainDlg::gain, IDC_GAIN},         {&CMainDlg::tube, IDC_TUBE},   {&CMainDlg::mix, IDC_MIX},
        {&CMainDlg::character, IDC_CHARACTER}, {&CMainDlg::dynamics, IDC_DYNAMICS}, {&CMainDlg::tape, IDC_TAPE},
        {&CMainDlg::knee, IDC_KNEE},         {&CMainDlg::limiter, IDC_LIMITER}, {&CMainDlg::dither, IDC_DITHER},
    };
    CAutoLock lock(&runLock);
    for (const ParameterInfo& p : ParameterTable::All) {
        const auto [field, controlId] = fields[static_cast<std::size_t>(p.id)];
        (engine.*p.set)(this->*field = values[p.id]);
        if (engine.GetErrorFlag()) messageBox.Show("ERROR", engine.GetErrorText(), MB_OK | MB_ICONSTOP);
        const int shown = (engine.*p.get)();
        if (p.isSwitch) controls[controlId].check = shown;
        else sliders[controlId].pos = shown;
        if (p.id == ParameterId::Gain) controls[IDC_GAIN_TEXT].text = engine.GetGainText();
        if (p.id == ParameterId::Limiter) controls[IDC_LIMITER_TEXT].text = engine.GetLimiterText();
    }
}

void CMainDlg::OnAddPreset()
{
    const std::string name = presetBox.GetText();
    if (name.empty()) {
        messageBox.Show("Preset Error", "You need to enter a name for the preset.", MB_OK);
        SetFocus(IDC_PRESET);
        return;
    }
    if (const int found = presetBox.FindStringExact(name); found >= 0) {
        const std::string text = "The preset, " + name + ", exists.\n" +
                                 "Are you sure you want to over-write this preset?\n\n" +
                                 "If you want to add a new preset:\n" + "1. Type a new name in the edit box.\n" +
                                 "2. Click on the plus button.\n";
        if (messageBox.Show("Preset Warning", text, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            SetFocus(IDC_PRESET);
            return;
        }
        RemovePreset(found);
    }
    if (!presetList.Add(name, {gain, tube, mix, character, dynamics, tape, knee, limiter, dither})) {
        messageBox.Show("Preset Error", presetList.GetErrorText(), MB_OK | MB_ICONSTOP);
        return;
    }
    presetBox.SetCurSel(presetBox.AddString(name));
    currentPresetName = name;
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::OnDeletePreset()
{
    const int selected = presetBox.GetCurSel();
    if (selected < 0) {
        // A name typed but not stored is thrown away.
        if (!presetBox.GetText().empty()) {
            presetBox.SetText(std::string());
            SetFocus(IDC_DEFAULT);
        } else {
            messageBox.Show("Preset Warning", "No preset is selected", MB_OK);
            SetFocus(IDC_PRESET);
        }
        return;
    }
    const std::string text = "Are you sure you want to delete the preset, " + presetBox.GetItem(selected) + "?\n";
    if (messageBox.Show("Preset Warning", text, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        RemovePreset(selected);
        presetBox.SetCurSel(0);  // only selected: its values are not applied
        currentPresetName = presetBox.GetCount() > 0 ? presetBox.GetItem(0) : std::string();
    }
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::RemovePreset(int boxIndex)
{
    presetList.Remove(presetBox.GetItem(boxIndex));
    presetBox.DeleteString(boxIndex);
}

void CMainDlg::OnPresetText(const std::string& text)
{
    presetBox.SetText(text);
}

void CMainDlg::OnPresetKillFocus(int focusId)
{
    if (presetBox.GetCurSel() >= 0 || presetBox.GetText().empty() || focusId == IDC_ADD_PRESET ||
        focusId == IDC_DELETE_PRESET)
        return;
    const std::string text = "You have changed the current preset name.\nDo you want to add the new preset, " +
                             presetBox.GetText() + "?\n";
    if (messageBox.Show("Preset Warning", text, MB_YESNO | MB_ICONQUESTION) == IDYES) OnAddPreset();
    host.Refresh();
}

void CMainDlg::OnEnterKey(int focusId, const std::string& focusText)
{
    if (focusText == presetBox.GetText() && focusId != IDC_INPUT_FILE && focusId != IDC_OUTPUT_FILE) OnAddPreset();
    host.Refresh();
}
