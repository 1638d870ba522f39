// QUORVASchedule: started by a scheduler, with no command line.
#include "mMain.h"

int main() { Main(); }
