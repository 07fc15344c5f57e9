#include "entry/calling_form.h"
#include "tolvane_version.h"

TOLVANE_EXPORT float TOLVANE_CALL Version(const char *, double, char *) {
    return tolvane::kVersionNumber;
}
