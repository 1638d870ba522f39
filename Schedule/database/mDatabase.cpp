#include "database/mDatabase.h"

void CreateDBResource() {}
