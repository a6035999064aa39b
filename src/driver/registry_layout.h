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

// Values of the OpenGL key.
constexpr const char* kOpenGLFSAA = "EnableFSAA";
constexpr const char* kOpenGLFSAAQuality = "FSAAQuality";
constexpr const char* kOpenGLSwapInterval = "DefaultSwapInterval";
constexpr const char* kOpenGLRenderQuality = "RenderQualityFlags";
// Values of the Direct3D key.
constexpr const char* kD3DAntialias = "ANTIALIASENABLE";
constexpr const char* kD3DAntialiasQuality = "ANTIALIASQUALITY";
constexpr const char* kD3DVSyncEnable = "VSYNCENABLE";
constexpr const char* kD3DVSyncMode = "VSYNCMODE";
constexpr const char* kD3DValidateZ = "VALIDATEZMETHOD";
// The value of the DirectDraw key.
constexpr const char* kOverlayMode = "VideoBusMasterMode";
// The display-mode records last kept for each kind of device, and the TV
// format block.
constexpr const char* kMonitorMode = "Analog Monitor";
constexpr const char* kFlatPanelMode = "Digital Flat Panel";
constexpr const char* kTVFormat = "DynamicFmt";

// The log-on entry that runs the driver maker's start-up library.
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kStartupValue = "NvInitialize";
constexpr const char* kStartupCommand = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";

// The AGP switches, shared by every adapter.
constexpr const char* kGlobalSystemKey = "SOFTWARE\\NVIDIA Corporation\\Global\\System";
constexpr const char* kAGP2x = "EnableIrongate2x";
constexpr const char* kAGP4x = "EnableVia4X";

// The program's own key: the journal of a running clock test, its values
// in MHz (REG_DWORD).  "TestPassed" 1 is added when a test that passed
// could not put the old clocks back: its pair did not fail.
constexpr const char* kClockJournalKey = "SOFTWARE\\Marovex\\Clock Test";
constexpr const char* kJournalValues[4] = {"OldCore", "OldMem", "TrialCore", "TrialMem"};
constexpr const char* kJournalTestPassed = "TestPassed";
// "Applying" 1: the journal of an apply that sets both clocks, one after
// the other; its "trial" clocks are the applied ones, which may stay.
constexpr const char* kJournalApplying = "Applying";
// Beside the journal: the clock pairs that failed a test (REG_BINARY).
constexpr const char* kFailedClocks = "Failed Clocks";
// Beside it: the clock pairs that passed a test since (REG_BINARY, the same
// format); a pair that fails later leaves it.
constexpr const char* kPassedClocks = "Passed Clocks";
// The program's own key: the journal of a program run (marovexctl run).
constexpr const char* kRunJournalKey = "SOFTWARE\\Marovex\\Program Run";
// Beside it: the record of a search for the highest clocks (marovexctl find).
constexpr const char* kSearchRecordKey = "SOFTWARE\\Marovex\\Clock Search";

inline std::string SubKey(const std::string& key, const char* sub)
{
    return key + "\\" + sub;
}

}  // namespace layout
