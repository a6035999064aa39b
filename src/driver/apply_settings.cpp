// ApplySettings: writes every pending setting that differs from its current
// value to the driver, in a fixed order.  A step that succeeds makes its
// current value equal to the pending one; a step that fails leaves it, keeps
// its message, and the apply goes on.  Only a resource-manager connection
// that cannot be made stops it at once.
#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kGlobalSystemKey = "SOFTWARE\\NVIDIA Corporation\\Global\\System";
constexpr const char* kStartupValue = "NvInitialize";
constexpr const char* kStartupCommand = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";

std::uint32_t D3DQuality(int fsaa)
{
    switch (fsaa) {
    case 2: return 0;
    case 4: return 3;
    default: return 5;
    }
}

}  // namespace

bool CDisplayDriver::RemoveFromStartup(const char* valueName)
{
    return DeleteValue(kRunKey, valueName);
}

bool CDisplayDriver::ApplySettings()
{
    // 1. Nothing to do when nothing changed.
    if (m_nNewCoreClock == m_nCoreClock && m_nNewMemClock == m_nMemClock
        && m_bNewApplyAtStartup == m_bApplyAtStartup && m_bNewFastWrites == m_bFastWrites
        && m_nNewOpenGLFSAA == m_nOpenGLFSAA && m_bNewOpenGLVSync == m_bOpenGLVSync
        && m_bNewOpenGLZBuffer == m_bOpenGLZBuffer && m_nNewD3DFSAA == m_nD3DFSAA
        && m_bNewD3DVSync == m_bD3DVSync && m_bNewD3DZBuffer == m_bD3DZBuffer
        && m_nNewOverlayMode == m_nOverlayMode && m_nNewAGPRate == m_nAGPRate
        && m_nNewOutputDevice == m_nOutputDevice)
        return true;

    // 2. and 3. and 4.
    m_bApplyAtStartup = m_bNewApplyAtStartup;
    bool clockWritten = false;
    bool ok = true;
    auto fail = [&](const char* message) {
        Fail(message);
        ok = false;
    };

    if (!Connect("E5.1: Invalid video driver allocation.", "E5.2: Invalid video driver device ID."))
        return false;

    // 5. and 6. Clocks, only after a passed test.
    if (m_nNewCoreClock != m_nCoreClock && m_bClocksTested) {
        if (SetItem(nv::kItemCoreClock, static_cast<std::uint32_t>(m_nNewCoreClock) * 1000000u)) {
            m_nCoreClock = m_nNewCoreClock;
            clockWritten = true;
        } else {
            fail("E5.3: Unable to set the video core clock speed.");
        }
    }
    if (m_nNewMemClock != m_nMemClock && m_bClocksTested) {
        if (SetItem(nv::kItemMemClock, static_cast<std::uint32_t>(m_nNewMemClock) * 1000000u)) {
            m_nMemClock = m_nNewMemClock;
            clockWritten = true;
        } else {
            fail("E5.4: Unable to set the video memory clock speed.");
        }
    }

    // 7. and 8. The start-up entry, with the clocks it is to set.
    if (m_bApplyAtStartup) {
        if (ok) {
            const std::string hardwareKey = m_szTweakKey + "\\Hardware";
            const std::uint32_t record = driver::ScrambleClocks(
                static_cast<std::uint16_t>(m_nCoreClock), static_cast<std::uint16_t>(m_nMemClock),
                m_wDeviceID, m_dwClockSalt);
            // "Krusty" decodes only with the salt it was scrambled with:
            // the stored "Homer" is made that salt first when it is not.
            std::uint32_t storedSalt = 0;
            const bool saltStored = ReadDword(hardwareKey.c_str(), "Homer", &storedSalt)
                                    && storedSalt == m_dwClockSalt;
            if (WriteString(kRunKey, kStartupValue, kStartupCommand,
                            static_cast<std::uint32_t>(std::strlen(kStartupCommand) + 1))
                && (saltStored || WriteDword(hardwareKey.c_str(), "Homer", m_dwClockSalt))
                && WriteDword(hardwareKey.c_str(), "Krusty", record))
                WriteDword(hardwareKey.c_str(), "Marge", 1);
            else
                fail("E5.5: Unable to apply the video clock settings at startup.");
        }
    } else if (!RemoveFromStartup(kStartupValue)) {
        fail("E5.6: Unable to remove the video clock settings from startup.");
    }

    // 9. AGP fast writes.
    if (m_bNewFastWrites != m_bFastWrites) {
        if (SetItem(nv::kItemFastWrites, m_bNewFastWrites ? 1 : 0))
            m_bFastWrites = m_bNewFastWrites;
        else
            fail(m_bNewFastWrites ? "E5.7: Unable to turn the AGP fast writes on."
                                  : "E5.8: Unable to turn the AGP fast writes off.");
    }

    // 10. OpenGL.
    const std::string openGLKey = std::string(m_szAdapterKey) + "\\OpenGL";
    if (m_nNewOpenGLFSAA != m_nOpenGLFSAA) {
        if (m_nNewOpenGLFSAA == -1) {
            if (WriteDword(openGLKey.c_str(), "EnableFSAA", 0)) {
                DeleteValue(openGLKey.c_str(), "FSAAQuality");
                m_nOpenGLFSAA = m_nNewOpenGLFSAA;
            } else {
                fail("E5.9: Unable to enable FSAA for OpenGL.");
            }
        } else if (!WriteDword(openGLKey.c_str(), "EnableFSAA", 1)) {
            fail("CVC5.10: Unable to enable FSAA for OpenGL.");
        } else if (!WriteDword(openGLKey.c_str(), "FSAAQuality",
                               static_cast<std::uint32_t>(m_nNewOpenGLFSAA))) {
            fail("E5.11: Unable to set the FSAA quality value for OpenGL.");
        } else {
            m_nOpenGLFSAA = m_nNewOpenGLFSAA;
        }
    }
    if (m_bNewOpenGLVSync != m_bOpenGLVSync) {
        if (WriteDword(openGLKey.c_str(), "DefaultSwapInterval", m_bNewOpenGLVSync ? 1 : 0xFFFFFFFFu))
            m_bOpenGLVSync = m_bNewOpenGLVSync;
        else
            fail("E5.12: Unable to enable Vsync for OpenGL.");
    }
    if (m_bNewOpenGLZBuffer != m_bOpenGLZBuffer) {
        if (WriteDword(openGLKey.c_str(), "RenderQualityFlags", m_bNewOpenGLZBuffer ? 16 : 0))
            m_bOpenGLZBuffer = m_bNewOpenGLZBuffer;
        else
            fail("E5.13: Unable to enable ZBuffer for OpenGL .");
    }

    // 11. Direct3D.  Older devices have no FSAA setting to write.
    const std::string d3dKey = std::string(m_szAdapterKey) + "\\Direct3D";
    if (m_nNewD3DFSAA != m_nD3DFSAA && m_wDeviceID >= 0x100) {
        const bool on = m_nNewD3DFSAA > 0;
        bool written = WriteDword(d3dKey.c_str(), "ANTIALIASENABLE", on ? 2 : 0);
        if (written)
            written = on ? WriteDword(d3dKey.c_str(), "ANTIALIASQUALITY", D3DQuality(m_nNewD3DFSAA))
                         : DeleteValue(d3dKey.c_str(), "ANTIALIASQUALITY");
        if (written)
            m_nD3DFSAA = m_nNewD3DFSAA;
        else
            fail("E5.14: Unable to set the FSAA quality value for DirectX.");
    }
    if (m_bNewD3DVSync != m_bD3DVSync) {
        bool written = m_bUseVSyncMode
                           ? WriteDword(d3dKey.c_str(), "VSYNCMODE", m_bNewD3DVSync ? 2 : 0)
                           : WriteDword(d3dKey.c_str(), "VSYNCENABLE", m_bNewD3DVSync ? 1 : 0);
        if (written)
            m_bD3DVSync = m_bNewD3DVSync;
        else
            fail(m_bUseVSyncMode ? "E5.15: Unable to enable VSynch for DirectX."
                                 : "E5.16: Unable to enable VSynch for DirectX.");
    }
    if (m_bNewD3DZBuffer != m_bD3DZBuffer) {
        if (WriteDword(d3dKey.c_str(), "VALIDATEZMETHOD", m_bNewD3DZBuffer ? 2 : 0))
            m_bD3DZBuffer = m_bNewD3DZBuffer;
        else
            fail("E5.17: Unable to enable ZBuffer for DirectX.");
    }

    // 12. Overlay.
    if (m_nNewOverlayMode != m_nOverlayMode) {
        const std::string ddrawKey = std::string(m_szAdapterKey) + "\\DirectDraw";
        if (WriteDword(ddrawKey.c_str(), "VideoBusMasterMode",
                       static_cast<std::uint32_t>(m_nNewOverlayMode)))
            m_nOverlayMode = m_nNewOverlayMode;
        else
            fail("E5.18: Unable to set the Overlay setting.");
    }

    // 13. AGP transfer rate: one switch for 2x, another for 4x, none for 1x.
    if (m_nNewAGPRate != m_nAGPRate) {
        bool written = true;
        if (m_nNewAGPRate == 1) {
            DeleteValue(kGlobalSystemKey, "EnableVia4X");
            written = DeleteValue(kGlobalSystemKey, "EnableIrongate2x");
        } else if (m_nNewAGPRate == 2) {
            DeleteValue(kGlobalSystemKey, "EnableVia4X");
            written = WriteDword(kGlobalSystemKey, "EnableIrongate2x", 1);
        } else if (m_nNewAGPRate == 4) {
            DeleteValue(kGlobalSystemKey, "EnableIrongate2x");
            written = WriteDword(kGlobalSystemKey, "EnableVia4X", 1);
        }
        if (written)
            m_nAGPRate = m_nNewAGPRate;
        else
            fail("E5.19: Unable to set the AGP transfer rate.");
    }

    // 14. Output device, then the configuration is committed.
    if (m_nNewOutputDevice != m_nOutputDevice) {
        if (!SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nNewOutputDevice)))
            fail("E5.20: Unable to switch output devices.");
        if (!SwitchOutputDevice()) {
            SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nOutputDevice));
            fail("E5.21: Unable to switch output devices.");
        } else if (ok && RmCommitConfig(m_hClient, nv::kDeviceHandle, 1) != 0) {
            fail("E5.22: Unable to configure settings.");
        }
    } else if (ok && RmCommitConfig(m_hClient, nv::kDeviceHandle, 1) != 0) {
        fail("E5.22: Unable to configure settings.");
    }

    // 15. and 16. New clocks take effect when the driver re-reads its mode.
    RmFree(m_hClient, 0, m_hClient);
    if (clockWritten) {
        long result = 0;
        switch (ChangeDisplayMode(nullptr, kCdsReset, 0, &result)) {
        case DisplayCall::kNoLibrary:
            Fail("E5.23: Unable to load USER32.DLL library.");
            return false;
        case DisplayCall::kNoFunction:
            Fail("E5.24: Unable to change display setting.");
            return false;
        case DisplayCall::kDone:
            break;
        }
    }
    return ok;
}
