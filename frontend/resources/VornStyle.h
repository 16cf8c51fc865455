// The application's style sheet, built into the program.
#pragma once

#include <QString>

// The skin of every window; empty when the built-in copy cannot be read.
QString VornStyleSheet();
