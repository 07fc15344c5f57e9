// The plug-in carries the compiler's C++ runtime inside. That runtime's default terminate handler
// names the escaping exception's type on standard error, and for that links a whole C++ name
// demangler into the DLL (about 45 KB). Nothing may escape the exports (entry/guard.h), and the
// host's console is not ours to write to, so a terminate that still happens ends as quietly as
// the runtime's abort, and the demangler stays out.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx
