#pragma once

// The normal position of the main window and how it is shown.
struct WindowPlacement {
    int flags = 0;
    int showCmd = 1;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// What the main window's logic asks of the window around it.
class MainDlgHost {
public:
    virtual ~MainDlgHost() = default;
    // The controls' state changed; draw it.
    virtual void Refresh() = 0;
    virtual void EndDialog(int result) = 0;
    virtual void Minimize() = 0;
    virtual void ShowQuestionMenu() = 0;
    virtual void ShowAbout() = 0;
    virtual WindowPlacement GetPlacement() = 0;
    virtual void SetPlacement(const WindowPlacement& placement) = 0;
    // Primary screen size and the standard icon size, in pixels.
    virtual void GetScreenMetrics(int* width, int* height, int* iconWidth, int* iconHeight) = 0;
    // The sound-card dialog: true when confirmed, with *listen and *deviceIndex taken over.
    virtual bool RunSoundCardDialog(int* listen, int* deviceIndex) = 0;
};
