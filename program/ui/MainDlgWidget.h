#pragma once

#include <QRgb>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "program/ui/CMainDlg.h"

class CTarvel;
class PresetBoxView;
class QAbstractButton;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;

// The main window on the screen: lays out template 102's controls, forwards input to the
// window's logic and draws its state. Frameless: dragged by its free surface, with the
// minimise, "?" and close glyphs and, on a right click, the system menu's items.
class MainDlgWidget : public QWidget, public MainDlgHost {
    Q_OBJECT
public:
    MainDlgWidget(MessageBoxService& messageBox, FileDialogService& fileDialog);
    ~MainDlgWidget() override;

    // Creates the controls and initialises the window; false when a fader cannot be
    // created (see GetErrorText).
    bool Create();
    // Shows the window and returns when it has ended, with IDOK or IDCANCEL.
    int DoModal();

    CMainDlg& Dialog() { return *dlg; }
    const std::string& GetErrorText() const { return errorText; }
    // A control by its id, for tests and the tool tips.
    QWidget* Control(int id) const;
    CTarvel* Fader(int id) const;
    bool HasEnded() const { return ended; }
    QMenu* QuestionMenu() const { return questionMenu; }
    QMenu* SystemMenu() const { return systemMenu; }
    const std::vector<QRgb>& GetPalette() const { return skinPalette; }

    // MainDlgHost.
    void Refresh() override;
    void EndDialog(int result) override;
    void Minimize() override;
    void ShowQuestionMenu() override;
    void ShowAbout() override;
    WindowPlacement GetPlacement() override;
    void SetPlacement(const WindowPlacement& placement) override;
    void GetScreenMetrics(int* width, int* height, int* iconWidth, int* iconHeight) override;
    bool RunSoundCardDialog(int* listen, int* deviceIndex) override;

signals:
    void Ended(int result);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateStatics();
    void CreateButtons();
    void CreateFileBoxes();
    bool CreateFaders();
    void CreateMenus();
    void ApplyFonts();
    void ApplySkin();
    void ApplyToolTips();
    QAbstractButton* AddButton(int id, const char* text, int x, int y, int w, int h, bool checkable = false);
    void Place(QWidget* widget, int id, int x, int y, int w, int h);
    void RefreshButton(int id);
    void RefreshFileBox(int id);
    void RefreshFaders();

    std::unique_ptr<CMainDlg> dlg;
    std::map<int, QWidget*> controls;
    std::array<std::unique_ptr<CTarvel>, 6> faders;
    std::map<int, SliderState> shownSliders;
    QMenu* questionMenu = nullptr;
    QMenu* systemMenu = nullptr;
    QPoint dragOffset;
    bool dragging = false;
    int shownFocusCount = -1;
    int shownToolTips = -1;
    std::map<int, int> shownImages;
    bool ended = false;
    int result = 0;
    std::string errorText;
    std::vector<QRgb> skinPalette;  // from the product picture
    std::unique_ptr<PresetBoxView> presetView;
};
