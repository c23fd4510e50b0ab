#pragma once

// Scripted services and a host for the main window's logic, a test registry, a temporary
// directory for the run's files and virtual sound devices.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "program/audio/OutputDeviceList.h"
#include "program/ui/CMainDlg.h"
#include "tests/program/audio/WavTestFiles.h"

namespace maindlgtest {

struct Shown {
    std::string caption;
    std::string text;
    UINT type;
};

class ScriptedMessageBox : public MessageBoxService {
public:
    int Show(const std::string& caption, const std::string& text, UINT type) override
    {
        shown.push_back({caption, text, type});
        if (onShow) onShow(shown.back());
        if (answers.empty()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> Captions() const
    {
        std::vector<std::string> c;
        for (const Shown& s : shown) c.push_back(s.caption);
        return c;
    }
    std::vector<Shown> shown;
    std::deque<int> answers;
    std::function<void(const Shown&)> onShow;
};

class ScriptedFileDialog : public FileDialogService {
public:
    bool Run(const Request& request, std::string* chosen) override
    {
        requests.push_back(request);
        if (answers.empty()) return false;
        *chosen = answers.front();
        answers.pop_front();
        return true;
    }
    std::vector<Request> requests;
    std::deque<std::string> answers;
};

class FakeHost : public MainDlgHost {
public:
    void Refresh() override {}
    void EndDialog(int result) override { ended = result; }
    void Minimize() override {}
    void ShowQuestionMenu() override {}
    void ShowAbout() override {}
    WindowPlacement GetPlacement() override { return placement; }
    void SetPlacement(const WindowPlacement& p) override
    {
        placement = p;
        ++placed;
    }
    void GetScreenMetrics(int* width, int* height, int* iconWidth, int* iconHeight) override
    {
        *width = 1280;
        *height = 800;
        *iconWidth = *iconHeight = 32;
    }
    bool RunSoundCardDialog(int* listen, int* deviceIndex) override
    {
        return soundCard && soundCard(listen, deviceIndex);
    }
    WindowPlacement placement{0, 1, 100, 50, 632, 353};
    int placed = 0;
    int ended = 0;
    std::function<bool(int*, int*)> soundCard;
};

// A test registry and temporary directory; virtual devices unless a test sets others.
class MainDlgTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("CALYRIX_REGISTRY", dir.File("registry.reg").c_str(), 1);
        setenv("TMPDIR", (dir.path + "/").c_str(), 1);
        setenv("CALYRIX_WAVEOUT", "virtual:2,speed=200", 1);
        setenv("XDG_DATA_HOME", (dir.path + "/data").c_str(), 1);
    }
    void TearDown() override
    {
        dlg.reset();
        OutputDeviceList::Clear();
        unsetenv("CALYRIX_WAVEOUT");
        unsetenv("TMPDIR");
        unsetenv("XDG_DATA_HOME");
    }

    CMainDlg& Open()
    {
        dlg = std::make_unique<CMainDlg>(messageBox, fileDialog, host);
        dlg->OnInitDialog();
        return *dlg;
    }

    // Pumps the window's messages until done() holds; false after ten seconds.
    bool PumpUntil(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            if (dlg->PumpMessages() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    bool RunToEnd()
    {
        return PumpUntil([this] { return !dlg->IsRunning() && dlg->PumpMessages() == 0; });
    }

    // A 16-bit stereo input of frames frames.
    std::string Input(const std::string& name, std::size_t frames, unsigned channels = 2, unsigned bits = 16)
    {
        wavtest::Spec spec;
        spec.channels = channels;
        spec.bits = bits;
        spec.data = wavtest::Ramp(frames * channels * bits / 8, unsigned(frames));
        const std::string path = dir.File(name);
        wavtest::WriteFile(path, wavtest::Build(spec));
        return path;
    }

    void Choose(const std::string& input, const std::string& output)
    {
        fileDialog.answers = {input};
        dlg->OnCommand(IDC_BROWSE_INPUT);
        fileDialog.answers = {output};
        dlg->OnCommand(IDC_BROWSE_OUTPUT);
    }

    bool Exists(const std::string& path) const { return access(path.c_str(), F_OK) == 0; }

    wavtest::TempDir dir;
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    FakeHost host;
    std::unique_ptr<CMainDlg> dlg;
};

}  // namespace maindlgtest
