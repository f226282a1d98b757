#pragma once

#include <QIcon>

// The program icon: a sheet of header lines with a down arrow, drawn at
// 16, 32 and 48 pixels (resources/icons/draw_icon.py).
QIcon ProgramIcon();
