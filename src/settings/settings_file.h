// The bytes of a settings file, checked line by line before the profile
// functions read it: they skip what they do not understand, and a file
// must not be applied in part.
#pragma once

#include <string>
#include <vector>

namespace settings {

// The settings section's name, in files and in `status --ini`.
constexpr const char* kSettingsSection = "Marovex";

// True when every line of text is blank, a comment (";"), the one
// "[Marovex]" line, or a line after it; no byte may be NUL.  Otherwise why
// names the first line that is not.
bool CheckSettingsText(const std::string& text, std::string* why);

// True when the last part of path names a device that the system opens in
// place of a file (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9), letter case
// aside, with or without an extension.
bool IsDeviceName(const std::string& path);

// Settings files as the programs read and write them: through the system's
// profile functions (win32_settings_files.h), or bytes in memory in tests.
class SettingsFiles {
public:
    virtual ~SettingsFiles() = default;
    // The lines of the settings section of a file, as "key=value"; false,
    // with the reason, when the file cannot be read or its bytes fail
    // CheckSettingsText.
    virtual bool ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why) = 0;
    // Makes the file hold the settings section with these lines and nothing
    // else; false, with the reason, when the file at that path cannot be
    // written.
    virtual bool WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines,
                                   std::string* why) = 0;
};

}  // namespace settings
