#include "console/command_line.h"

namespace console {

std::string CommandLineFrom(const std::string& line, std::size_t word)
{
    std::size_t at = 0;
    auto blanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
    };
    blanks();
    for (std::size_t skipped = 0; skipped < word; ++skipped) {
        if (skipped == 0) {
            // A program's name: up to the closing quote, or to a blank.
            if (line[at] == '"') {
                const std::size_t close = line.find('"', at + 1);
                at = close == std::string::npos ? line.size() : close + 1;
            }
            while (at < line.size() && line[at] != ' ' && line[at] != '\t')
                ++at;
        } else {
            bool quoted = false;
            std::size_t backslashes = 0;
            for (; at < line.size(); ++at) {
                const char c = line[at];
                if (!quoted && (c == ' ' || c == '\t'))
                    break;
                if (c == '"' && backslashes % 2 == 0)
                    quoted = !quoted;
                backslashes = c == '\\' ? backslashes + 1 : 0;
            }
        }
        blanks();
    }
    return line.substr(at);
}

}  // namespace console
