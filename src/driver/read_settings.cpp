// ReadSettings: fills the settings record from the driver's registry keys.
// A missing key or value never fails; the setting takes its default.  Only
// the capture of the baseline clocks, when they were never recorded, can.
// Each step sets a current value and its pending twin alike.
#include <cstring>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"

bool CDisplayDriver::ReadSettings()
{
    m_szTweakKey = layout::SubKey(m_szAdapterKey, layout::kTweak);
    if (!ReadBaselineClocks())
        return false;
    ReadStartupEntry();
    ReadOpenGL();
    ReadDirect3D();
    ReadOverlay();
    ReadAGPRate();
    return true;
}

// Captured once, then unscrambled at every read.
bool CDisplayDriver::ReadBaselineClocks()
{
    const std::string hardwareKey = layout::SubKey(m_szTweakKey, layout::kHardware);
    std::uint32_t record = 0, salt = 0;
    const bool haveRecord = ReadDword(hardwareKey.c_str(), layout::kBaselineRecord, &record);
    const bool haveSalt = ReadDword(hardwareKey.c_str(), layout::kClockSalt, &salt);
    if ((!haveRecord || !haveSalt) && !CaptureDefaultClocks(hardwareKey.c_str(), &record, &salt))
        return false;
    m_dwClockSalt = salt;
    driver::UnscrambleClocks(record, m_wDeviceID, salt, &m_wDefaultCoreClock, &m_wDefaultMemClock);
    return true;
}

// On only for the exact command.  A value that fills the buffer has no
// terminator and is not the command.
void CDisplayDriver::ReadStartupEntry()
{
    char command[100] = {};
    m_bApplyAtStartup = ReadString(layout::kRunKey, layout::kStartupValue, command, sizeof command)
                        && std::memchr(command, '\0', sizeof command) != nullptr
                        && std::strcmp(command, layout::kStartupCommand) == 0;
    m_bNewApplyAtStartup = m_bApplyAtStartup;
}

void CDisplayDriver::ReadOpenGL()
{
    const std::string key = layout::SubKey(m_szAdapterKey, layout::kOpenGL);
    std::uint32_t value = 0;
    m_nOpenGLFSAA = -1;
    if (ReadDword(key.c_str(), layout::kOpenGLFSAA, &value) && value == 1) {
        std::uint32_t quality = 0;
        if (ReadDword(key.c_str(), layout::kOpenGLFSAAQuality, &quality))
            m_nOpenGLFSAA = static_cast<int>(quality);
    }
    m_nNewOpenGLFSAA = m_nOpenGLFSAA;

    value = 0;
    m_bOpenGLVSync = !ReadDword(key.c_str(), layout::kOpenGLSwapInterval, &value) || value <= 1;
    m_bNewOpenGLVSync = m_bOpenGLVSync;

    value = 0;
    m_bOpenGLZBuffer = ReadDword(key.c_str(), layout::kOpenGLRenderQuality, &value) && value != 0;
    m_bNewOpenGLZBuffer = m_bOpenGLZBuffer;
}

// Older devices have no FSAA setting to read.  Vertical sync is kept in
// layout::kD3DVSyncMode by drivers whose layout::kD3DVSyncEnable is 0.
void CDisplayDriver::ReadDirect3D()
{
    const std::string key = layout::SubKey(m_szAdapterKey, layout::kDirect3D);
    if (m_wDeviceID >= 0x100) {
        std::uint32_t enable = 2, quality = 1;
        ReadDword(key.c_str(), layout::kD3DAntialias, &enable);
        ReadDword(key.c_str(), layout::kD3DAntialiasQuality, &quality);
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
    if (!ReadDword(key.c_str(), layout::kD3DVSyncEnable, &vsyncEnable) || vsyncEnable != 0) {
        m_bD3DVSync = true;
    } else {
        std::uint32_t vsyncMode = 0;
        if (ReadDword(key.c_str(), layout::kD3DVSyncMode, &vsyncMode)) {
            m_bUseVSyncMode = true;
            m_bD3DVSync = vsyncMode == 2;
        } else {
            m_bD3DVSync = false;
        }
    }
    m_bNewD3DVSync = m_bD3DVSync;

    std::uint32_t value = 0;
    m_bD3DZBuffer = ReadDword(key.c_str(), layout::kD3DValidateZ, &value) && value != 0;
    m_bNewD3DZBuffer = m_bD3DZBuffer;
}

// An unknown overlay mode leaves the setting as it was.
void CDisplayDriver::ReadOverlay()
{
    std::uint32_t overlay = 0;
    ReadDword(layout::SubKey(m_szAdapterKey, layout::kDirectDraw).c_str(), layout::kOverlayMode, &overlay);
    if (overlay <= 3) {
        m_nOverlayMode = static_cast<int>(overlay);
        m_nNewOverlayMode = m_nOverlayMode;
    }
}

// The 4x switch wins over the 2x switch.
void CDisplayDriver::ReadAGPRate()
{
    std::uint32_t value = 0;
    if (ReadDword(layout::kGlobalSystemKey, layout::kAGP2x, &value) && value != 0)
        m_nAGPRate = 2;
    value = 0;
    if (ReadDword(layout::kGlobalSystemKey, layout::kAGP4x, &value) && value != 0)
        m_nAGPRate = 4;
    m_nNewAGPRate = m_nAGPRate;
}
