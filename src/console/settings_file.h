// The bytes of a settings file, checked line by line before the profile
// functions read it: they skip what they do not understand, and a file
// must not be applied in part.
#pragma once

#include <string>

namespace console {

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

}  // namespace console
