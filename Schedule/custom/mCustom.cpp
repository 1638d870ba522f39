#include "custom/mCustom.h"

void ExportCustomReportIntoSelectedFormat(const std::string&, const std::string&, const std::string&) {}
