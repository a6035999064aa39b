// The console program's own command line, as typed.
#pragma once

#include <cstddef>
#include <string>

namespace console {

// The words of a command line from the given one on, exactly as typed; the
// first word is a program's name, the rest are split as the C runtime does.
std::string CommandLineFrom(const std::string& line, std::size_t word);

}  // namespace console
