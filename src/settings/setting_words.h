// The settings by name: the names that `marovexctl set`, the settings files
// and a program run's record use, the words of their values, the clocks in
// MHz, the driver's current value of each, and staging a change.
#pragma once

#include <map>
#include <string>
#include <vector>

class CDisplayDriver;

namespace settings {

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
// The driver's own value of the named setting, as a run keeps it to put it
// back: overlay modes 1 and 2, which show as standard, stay what they are.
int DriverValue(const CDisplayDriver& driver, const std::string& name);
// Whether the named setting can hold the value in the driver: one of its
// words' values (any overlay mode, 0 to 3), a clock within its slider's
// range.  The log-on entry is no setting a run holds.
bool HoldsDriverValue(const CDisplayDriver& driver, const std::string& name, int value);

}  // namespace settings
