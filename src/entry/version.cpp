#include "entry/calling_form.h"

TOLVANE_EXPORT float TOLVANE_CALL Version(const char *, double, char *) { return 1.6f; }
