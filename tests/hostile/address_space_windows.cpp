#include "bounded_call.h"

namespace tolvane::test {

// Windows runs bounded calls directly (no child process): never needed there.
void end_after(unsigned) {}

}  // namespace tolvane::test
