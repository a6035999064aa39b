#include "settings/win32_settings_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace settings {
namespace {

// A settings file is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kLargestSettingsFile = 16 * 1024;

// The profile functions look for a bare name in the Windows directory: a
// path is made full against the current directory first.  False when the
// system cannot make it full within MAX_PATH.
bool FullPath(const std::string& path, std::string* full, std::string* why)
{
    char buffer[MAX_PATH];
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &name);
    if (length == 0 || length >= sizeof buffer) {
        *why = "cannot make a full path of \"" + path + "\"";
        return false;
    }
    *full = buffer;
    return true;
}

}  // namespace

bool Win32SettingsFiles::ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why)
{
    std::string full;
    if (!FullPath(path, &full, why))
        return false;
    std::FILE* file = std::fopen(full.c_str(), "rb");
    if (!file) {
        *why = "cannot read " + path;
        return false;
    }
    std::string text(kLargestSettingsFile + 1, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    if (text.size() > kLargestSettingsFile) {
        *why = path + " is too large for a settings file";
        return false;
    }
    if (!CheckSettingsText(text, why)) {
        *why = path + ": " + *why;
        return false;
    }
    static char section[32 * 1024];
    GetPrivateProfileSectionA(kSettingsSection, section, sizeof section, full.c_str());
    for (const char* entry = section; *entry; entry += std::strlen(entry) + 1)
        if (*entry != ';')
            lines->push_back(entry);
    return true;
}

bool Win32SettingsFiles::WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines,
                                     std::string* why)
{
    std::string full;
    if (!FullPath(path, &full, why))
        return false;
    std::string section;
    for (const std::string& line : lines)
        section += line + '\0';
    section += '\0';
    DeleteFileA(full.c_str());
    const bool written = WritePrivateProfileSectionA(kSettingsSection, section.c_str(), full.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, full.c_str());  // out of the system's cache
    if (!written)
        *why = "cannot write " + path;
    return written;
}

}  // namespace settings
