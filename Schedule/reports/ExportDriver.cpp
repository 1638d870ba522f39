#include "reports/ExportDriver.h"

void ExportIISSettings() {}
