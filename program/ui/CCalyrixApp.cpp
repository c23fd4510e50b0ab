#include "program/ui/CCalyrixApp.h"

#include <QApplication>

#include <filesystem>
#include <system_error>

#include "platform/com/ComApi.h"
#include "platform/help/WinHelp.h"
#include "platform/registry/Registry.h"
#include "program/ui/MainDlgWidget.h"
#include "program/ui/QtFileDialogService.h"
#include "program/ui/QtMessageBoxService.h"

namespace {

constexpr std::size_t PathLimit = 260;

std::string ProgramFile()
{
    std::error_code error;
    const std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("Embrel") : file.string();
}

}  // namespace

std::string CCalyrixApp::HelpPathFor(const std::string& programFile)
{
    const std::size_t slash = programFile.rfind('/');
    std::string path = (slash == std::string::npos ? std::string() : programFile.substr(0, slash + 1)) + "Embrel.hlp";
    return path.size() < PathLimit ? path : std::string();
}

std::string CCalyrixApp::RegisterHint(const std::string& programFile)
{
    const std::filesystem::path dir = std::filesystem::path(programFile).parent_path();
    std::filesystem::path module = dir / "slider" / "TARVEL.OCX";
    std::filesystem::path regsvr = dir / "tools" / "regsvr" / "regsvr";
    std::error_code error;
    if (!std::filesystem::exists(module, error)) module = dir / "TARVEL.OCX";
    const std::string command = std::filesystem::exists(regsvr, error) ? regsvr.string() : std::string("regsvr");
    return "The faders of the main window are the Tarvel control, which is not registered.\n"
           "Register it with:\n\n    " + command + " " + module.string() +
           "\n\n(the registry is " + RegGetFilePath() + ") and start Embrel again.";
}

BOOL CCalyrixApp::InitInstance()
{
    const bool comReady = SUCCEEDED(CoInitialize(nullptr));
    QCoreApplication::setApplicationName(QStringLiteral("Calyrix"));
    helpFile = HelpPathFor(ProgramFile());
    QtMessageBoxService messageBox;
    modalResult = comReady ? RunMainWindow(messageBox) : -1;
    if (modalResult == -1 || modalResult == 3)
        WinHelpA(nullptr, helpFile.c_str(), HELP_CONTEXT, 0x10000 + 32776);
    if (comReady) CoUninitialize();
    return FALSE;
}

int CCalyrixApp::RunMainWindow(MessageBoxService& messageBox)
{
    QtFileDialogService fileDialog;
    MainDlgWidget window(messageBox, fileDialog);
    static_cast<QtMessageBoxService&>(messageBox).SetParent(&window);
    fileDialog.SetParent(&window);
    window.Dialog().SetHelpFile(helpFile);
    if (!window.Create()) {
        messageBox.Show("ERROR", window.GetErrorText() + std::string("\n\n") + RegisterHint(ProgramFile()),
                        MB_OK | MB_ICONSTOP);
        return -1;
    }
    return window.DoModal();
}
