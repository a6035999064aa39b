// ReadSettings: fills the settings record from the driver's registry keys.
// A missing key or value never fails; the setting takes its default.  Only
// the capture of the baseline clocks, when they were never recorded, can.
#include <cstring>

#include "driver/display_driver.h"

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kGlobalSystemKey = "SOFTWARE\\NVIDIA Corporation\\Global\\System";
constexpr const char* kStartupCommand = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";
constexpr std::uint32_t kStartupValueSize = 100;

std::string SubKey(const char* key, const char* sub)
{
    return std::string(key) + "\\" + sub;
}

}  // namespace

bool CDisplayDriver::ReadSettings()
{
    // 1. Keys.
    m_szTweakKey = SubKey(m_szAdapterKey, "NVTweak");
    const std::string hardwareKey = SubKey(m_szTweakKey.c_str(), "Hardware");

    // 2. Baseline clocks: captured once, then unscrambled at every read.
    std::uint32_t record = 0, salt = 0;
    bool haveRecord = ReadDword(hardwareKey.c_str(), "Bart", &record);
    bool haveSalt = ReadDword(hardwareKey.c_str(), "Homer", &salt);
    if (!haveRecord || !haveSalt) {
        if (!CaptureDefaultClocks(hardwareKey.c_str(), &record, &salt))
            return false;
    }
    m_dwClockSalt = salt;
    driver::UnscrambleClocks(record, m_wDeviceID, salt, &m_wDefaultCoreClock, &m_wDefaultMemClock);

    // 3. Apply at startup: on only for the exact command.  A value that
    // fills the buffer has no terminator and is not the command.
    char command[kStartupValueSize] = {};
    m_bApplyAtStartup = ReadString(kRunKey, "NvInitialize", command, sizeof command)
                        && std::memchr(command, '\0', sizeof command) != nullptr
                        && std::strcmp(command, kStartupCommand) == 0;
    m_bNewApplyAtStartup = m_bApplyAtStartup;

    // 4. OpenGL.
    const std::string openGLKey = SubKey(m_szAdapterKey, "OpenGL");
    std::uint32_t value = 0;
    m_nOpenGLFSAA = -1;
    if (ReadDword(openGLKey.c_str(), "EnableFSAA", &value) && value == 1) {
        std::uint32_t quality = 0;
        if (ReadDword(openGLKey.c_str(), "FSAAQuality", &quality))
            m_nOpenGLFSAA = static_cast<int>(quality);
    }
    m_nNewOpenGLFSAA = m_nOpenGLFSAA;

    value = 0;
    m_bOpenGLVSync = !ReadDword(openGLKey.c_str(), "DefaultSwapInterval", &value) || value <= 1;
    m_bNewOpenGLVSync = m_bOpenGLVSync;

    value = 0;
    m_bOpenGLZBuffer = ReadDword(openGLKey.c_str(), "RenderQualityFlags", &value) && value != 0;
    m_bNewOpenGLZBuffer = m_bOpenGLZBuffer;

    // 5. Direct3D.  Older devices have no FSAA setting to read.
    const std::string d3dKey = SubKey(m_szAdapterKey, "Direct3D");
    if (m_wDeviceID >= 0x100) {
        std::uint32_t enable = 2, quality = 1;
        ReadDword(d3dKey.c_str(), "ANTIALIASENABLE", &enable);
        ReadDword(d3dKey.c_str(), "ANTIALIASQUALITY", &quality);
        if (enable == 0 || quality > 5)
            m_nD3DFSAA = 0;
        else if (quality == 0)
            m_nD3DFSAA = 2;
        else if (quality <= 3)
            m_nD3DFSAA = 4;
        else
            m_nD3DFSAA = 9;
        m_nNewD3DFSAA = m_nD3DFSAA;
    }

    std::uint32_t vsyncEnable = 0;
    if (!ReadDword(d3dKey.c_str(), "VSYNCENABLE", &vsyncEnable) || vsyncEnable != 0) {
        m_bD3DVSync = true;
    } else {
        std::uint32_t vsyncMode = 0;
        if (ReadDword(d3dKey.c_str(), "VSYNCMODE", &vsyncMode)) {
            m_bUseVSyncMode = true;
            m_bD3DVSync = vsyncMode == 2;
        } else {
            m_bD3DVSync = false;
        }
    }
    m_bNewD3DVSync = m_bD3DVSync;

    value = 0;
    m_bD3DZBuffer = ReadDword(d3dKey.c_str(), "VALIDATEZMETHOD", &value) && value != 0;
    m_bNewD3DZBuffer = m_bD3DZBuffer;

    // 6. DirectDraw: an unknown overlay mode leaves the setting as it was.
    std::uint32_t overlay = 0;
    ReadDword(SubKey(m_szAdapterKey, "DirectDraw").c_str(), "VideoBusMasterMode", &overlay);
    if (overlay <= 3) {
        m_nOverlayMode = static_cast<int>(overlay);
        m_nNewOverlayMode = m_nOverlayMode;
    }

    // 7. AGP transfer rate: the 4x switch wins over the 2x switch.
    value = 0;
    if (ReadDword(kGlobalSystemKey, "EnableIrongate2x", &value) && value != 0)
        m_nAGPRate = 2;
    value = 0;
    if (ReadDword(kGlobalSystemKey, "EnableVia4X", &value) && value != 0)
        m_nAGPRate = 4;
    m_nNewAGPRate = m_nAGPRate;

    return true;
}
