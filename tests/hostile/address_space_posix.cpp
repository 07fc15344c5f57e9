#include <unistd.h>

#include "bounded_call.h"

namespace tolvane::test {

void end_after(unsigned seconds) {
    alarm(seconds);
}

}  // namespace tolvane::test
