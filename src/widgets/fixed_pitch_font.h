#pragma once

#include <QFont>

// The font of every column-aligned list and report. "Courier New" is asked for by
// name; the style hint makes platforms without it substitute a fixed-pitch face.
QFont fixedPitchFont(qreal pointSize = 8.25);
