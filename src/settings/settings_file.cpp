#include "settings/settings_file.h"

namespace settings {
namespace {

std::string Trimmed(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// Section names are compared as the profile functions do, letter case aside.
std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsSectionLine(const std::string& line, std::string* name)
{
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    *name = Lower(line.substr(1, line.size() - 2));
    return true;
}

}  // namespace

bool IsDeviceName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/:");
    std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    stem = Lower(stem.substr(0, stem.find('.')));
    stem.erase(stem.find_last_not_of(' ') + 1);
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1'
           && stem[3] <= '9';
}

bool CheckSettingsText(const std::string& text, std::string* why)
{
    const std::string expected = Lower(kSettingsSection);
    bool inSection = false;
    // Line by line, the last one ended by the text's end.
    std::size_t start = 0;
    for (int number = 1; start != std::string::npos; ++number) {
        const std::size_t end = text.find('\n', start);
        const std::string raw = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? end : end + 1;
        const std::string where = "line " + std::to_string(number);
        if (raw.find('\0') != std::string::npos) {
            *why = where + " holds a NUL byte";
            return false;
        }
        const std::string line = Trimmed(raw);
        std::string section;
        if (line.empty() || line[0] == ';')
            continue;
        if (IsSectionLine(line, &section)) {
            if (section != expected || inSection) {
                *why = where + ": a settings file holds one section, [" + std::string(kSettingsSection) + "]";
                return false;
            }
            inSection = true;
        } else if (!inSection) {
            *why = where + " comes before [" + std::string(kSettingsSection) + "]";
            return false;
        }
    }
    if (!inSection)
        *why = "a settings file holds one section, [" + std::string(kSettingsSection) + "]";
    return inSection;
}

}  // namespace settings
