#include "setup_values.h"

int InstallType = 0;
int CopyFailed = 0;
