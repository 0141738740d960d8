// The link to the two mouse port drivers.
#include "tvntcpl.h"

void CloseDriverLink(void)
{
}
