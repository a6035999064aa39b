// The console program's words for the settings: the names that `set` and
// the settings files use, the words of their values, and the clocks in MHz.
#pragma once

#include <map>
#include <string>
#include <vector>

class CDisplayDriver;

namespace console {

// The settings named in a command or a file, with the values asked for
// (the driver's own values: FSAA levels, overlay modes, 1 and 0 for on
// and off, MHz for the clocks).
using SettingsChange = std::map<std::string, int>;

constexpr const char* kCoreClock = "core-clock";
constexpr const char* kMemClock = "memory-clock";

// Reads one "name=value" into change.  The clocks are known names only
// where clocksAllowed (in files).  On an error, why says which word is bad.
bool ReadAssignment(const std::string& text, bool clocksAllowed, SettingsChange* change, std::string* why);
// Reads a clock in MHz: digits only.
bool ReadMHz(const std::string& text, int* mhz);
// Checks the change's clocks against the driver's slider ranges.
bool ClocksInRange(const SettingsChange& change, const CDisplayDriver& driver, std::string* why);
// The driver's current settings as "name=value", clocks last; a setting in
// a state that has no word is left out.
std::vector<std::string> CurrentSettings(const CDisplayDriver& driver);
// Makes the change the driver's pending settings, clocks included.
void Stage(const SettingsChange& change, CDisplayDriver& driver);
// Every setting's name, in the order of status and the files.
std::vector<std::string> SettingNames();
// The driver's current value of the named setting (as SettingsChange holds it).
int CurrentValue(const CDisplayDriver& driver, const std::string& name);

}  // namespace console
