// Settings files through the system's profile functions, their bytes
// checked first.
#pragma once

#include "settings/settings_file.h"

namespace settings {

class Win32SettingsFiles : public SettingsFiles {
public:
    bool ReadSettingsFile(const std::string& path, std::vector<std::string>* lines, std::string* why) override;
    bool WriteSettingsFile(const std::string& path, const std::vector<std::string>& lines,
                           std::string* why) override;
};

}  // namespace settings
