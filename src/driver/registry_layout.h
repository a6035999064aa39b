// Where the driver keeps the settings this program changes, and where the
// program keeps its own records: keys under HKEY_LOCAL_MACHINE and value
// names.  The driver's keys lie below the adapter key it reports.
#pragma once

#include <string>

namespace layout {

// Below the adapter key.
constexpr const char* kOpenGL = "OpenGL";
constexpr const char* kDirect3D = "Direct3D";
constexpr const char* kDirectDraw = "DirectDraw";
constexpr const char* kTweak = "NVTweak";
// Below the tweak key.
constexpr const char* kHardware = "Hardware";
constexpr const char* kDisplayModes = "DisplayModes";
constexpr const char* kTVOut = "TVOut";

// Values of the hardware key: the baseline clocks scrambled with the salt,
// and the clocks that the start-up library sets at log-on, with its flag.
constexpr const char* kBaselineRecord = "Bart";
constexpr const char* kClockSalt = "Homer";
constexpr const char* kStartupRecord = "Krusty";
constexpr const char* kStartupFlag = "Marge";

// The log-on entry that runs the driver maker's start-up library.
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kStartupValue = "NvInitialize";
constexpr const char* kStartupCommand = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";

// The AGP switches, shared by every adapter.
constexpr const char* kGlobalSystemKey = "SOFTWARE\\NVIDIA Corporation\\Global\\System";

// The program's own key: the journal of a running clock test.
constexpr const char* kClockJournalKey = "SOFTWARE\\Marovex\\Clock Test";

inline std::string SubKey(const std::string& key, const char* sub)
{
    return key + "\\" + sub;
}

}  // namespace layout
