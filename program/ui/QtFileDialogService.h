#pragma once

#include "program/ui/FileDialogService.h"

class QWidget;

// The open- and save-file dialogs on the screen.
class QtFileDialogService : public FileDialogService {
public:
    void SetParent(QWidget* parent) { this->parent = parent; }
    bool Run(const Request& request, std::string* chosen) override;

private:
    QWidget* parent = nullptr;
};
