// An exception that nothing catches ends the program at once.  The C++
// runtime's own handler would first print the exception's type, with a
// name demangler of some 46 KB that no user of a windowed program reads;
// defining the handler here keeps it out of both programs.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

}  // namespace __gnu_cxx
