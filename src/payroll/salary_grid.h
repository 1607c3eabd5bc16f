#pragma once
#include "platform/ui/dbgrid.h"

// The 18 columns of 工资表 with the titles the salary grids show; gzyf 100
// wide, bz 200, ygbh as wide as given (fitted to its texts when -1).
QVector<ui::DBGrid::Column> salaryGridColumns(int ygbhWidth = -1);
