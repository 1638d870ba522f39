#include "compare/CompareDriver.h"

void ExportComparisonDetails() {}
