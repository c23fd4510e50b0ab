#include "program/ui/AboutBox.h"

#include <QMessageBox>

#include "program/ui/ProgramImages.h"
#include "program/ui/ResourceIds.h"

void ShowAboutBox(QWidget* parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("About Calyrix"));
    box.setIconPixmap(ProgramIcon(IDI_APPLICATION_ICON).pixmap(32, 32));
    box.setText(QStringLiteral("Calyrix Version 1.0\nTube and tape saturation for 8- and 16-bit PCM sound."));
    box.exec();
}
