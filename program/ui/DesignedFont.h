#pragma once

#include <QFont>

// A font of the designed face, or of a metric-close free face where that one is not
// installed. height: the cell height in logical units at 96 dpi.
QFont DesignedFont(const char* face, int height, int weight);
