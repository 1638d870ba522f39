#include "collect/mCollect.h"

#include "frmSchedule.h"

void CollectIISSettings() { frmSchedule().SetDisplayFlag(false); }
