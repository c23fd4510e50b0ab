// Embrel, the program: reads no command line.
#include <QApplication>

#include "program/ui/CCalyrixApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    CCalyrixApp app;
    app.InitInstance();
    return app.GetModalResult() == -1 ? 1 : 0;
}
