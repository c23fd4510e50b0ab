// Embrel, the program: reads no command line but --version.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "program/ui/CCalyrixApp.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Embrel (Calyrix) %s\n", CALYRIX_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    CCalyrixApp app;
    app.InitInstance();
    return app.GetModalResult() == -1 ? 1 : 0;
}
