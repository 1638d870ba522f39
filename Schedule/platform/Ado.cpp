// Placeholder until the data-access layer lands.
#include "platform/Ado.h"
