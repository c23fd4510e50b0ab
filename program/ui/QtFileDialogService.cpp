#include "program/ui/QtFileDialogService.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {

// "Name|pattern|Name|pattern||" as the toolkit's "Name (pattern);;..." list; "*.*" is
// every file here.
QStringList NameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString name = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1String("*.*"), QLatin1String("*"));
        name.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
        filters << (name.contains(QLatin1Char('(')) ? name : name + QLatin1String(" (") + pattern + QLatin1Char(')'));
    }
    return filters;
}

}  // namespace

bool QtFileDialogService::Run(const Request& request, std::string* chosen)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open && (request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                            : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & OFN_OVERWRITEPROMPT));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setNameFilters(NameFilters(request.filter));
    const QFileInfo start(QString::fromStdString(request.startName));
    if (!request.startName.empty() && start.path() != QLatin1String(".")) dialog.setDirectory(start.path());
    if (!request.startName.empty() && !start.fileName().contains(QLatin1Char('*')))
        dialog.selectFile(start.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    *chosen = dialog.selectedFiles().first().toStdString();
    return true;
}
