// Draws Embrel's main window as it opens into a PNG, without a display: the picture of the
// README. The window reads the settings as the program does and writes none.
//   embrel-screenshot [--input IN.wav] [--output OUT.wav] FILE.png
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com/ComApi.h"
#include "program/ui/CCalyrixApp.h"
#include "program/ui/MainDlgWidget.h"
#include "program/ui/QtFileDialogService.h"
#include "tools/ToolVersion.h"

namespace {

// Boxes cannot be answered here: their texts go to stderr.
class PrintedMessageBox : public MessageBoxService {
public:
    int Show(const std::string& caption, const std::string& text, UINT type) override
    {
        std::fprintf(stderr, "embrel-screenshot: %s: %s\n", caption.c_str(), text.c_str());
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
};

int Usage(bool help)
{
    std::fputs("usage: embrel-screenshot [--input IN.wav] [--output OUT.wav] FILE.png\n", help ? stdout : stderr);
    return help ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("embrel-screenshot", argc, argv)) return 0;
    const char* input = nullptr;
    const char* output = nullptr;
    const char* picture = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--input") == 0 && i + 1 < argc) input = argv[++i];
        else if (std::strcmp(argv[i], "--output") == 0 && i + 1 < argc) output = argv[++i];
        else if (argv[i][0] != '-' && !picture) picture = argv[i];
        else return Usage(std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0);
    }
    if (!picture) return Usage(false);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (FAILED(CoInitialize(nullptr))) {
        std::fputs("embrel-screenshot: the component runtime cannot start\n", stderr);
        return 1;
    }
    int rc = 0;
    {
        PrintedMessageBox messageBox;
        QtFileDialogService fileDialog;
        MainDlgWidget window(messageBox, fileDialog);
        if (!window.Create()) {
            std::fprintf(stderr, "embrel-screenshot: %s\n%s\n", window.GetErrorText().c_str(),
                         CCalyrixApp::RegisterHint(argv[0]).c_str());
            rc = 1;
        } else {
            if (input) window.Dialog().AddInputFile(input);
            if (output) window.Dialog().AddOutputFile(output);
            window.Refresh();
            window.show();
            QApplication::processEvents();
            if (!window.grab().save(QString::fromLocal8Bit(picture), "PNG")) {
                std::fprintf(stderr, "embrel-screenshot: cannot write %s\n", picture);
                rc = 1;
            }
        }
    }
    CoUninitialize();
    return rc;
}
