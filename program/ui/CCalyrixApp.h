#pragma once

#include <string>

#include "platform/base/Types.h"

class MessageBoxService;

// The application object of Embrel: prepares control hosting, the help file and the
// settings' place, and runs the main window until it ends.
class CCalyrixApp {
public:
    // The start-up sequence. Returns FALSE: the program ends with the main window.
    BOOL InitInstance();
    // What the main window's modal run returned: IDOK, IDCANCEL, or -1 when it could not
    // be created.
    int GetModalResult() const { return modalResult; }
    const std::string& GetHelpFile() const { return helpFile; }

    // "Embrel.hlp" in the directory of the program file.
    static std::string HelpPathFor(const std::string& programFile);
    // What tells the user how to register the fader module, for a program beside its build.
    static std::string RegisterHint(const std::string& programFile);

private:
    int RunMainWindow(MessageBoxService& messageBox);

    std::string helpFile;
    int modalResult = 0;
};
