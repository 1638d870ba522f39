#include "database/mGlob.h"

bool InitConnections() { return true; }
