#pragma once

class QWidget;

// The About box of the program.
void ShowAboutBox(QWidget* parent);
