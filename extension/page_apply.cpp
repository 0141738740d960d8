// Page applying: the controls' state reaches the block, the system, the
// drivers and the registry.
#include "tvntcpl.h"

void ApplyPageSettings(HWND page)
{
}
