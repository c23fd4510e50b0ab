#pragma once

#include "program/ui/MessageBoxService.h"

class QWidget;

// Message boxes on the screen: the window title is the caption, the first button is the
// default one.
class QtMessageBoxService : public MessageBoxService {
public:
    // Boxes are modal to the parent's window once it is set.
    void SetParent(QWidget* parent) { this->parent = parent; }
    int Show(const std::string& caption, const std::string& text, UINT type) override;

private:
    QWidget* parent = nullptr;
};
