// SwitchOutputDevice: moves the desktop to the pending output device (analog
// monitor, TV or digital flat panel) after the user agrees, and keeps the
// switch only when the user confirms it afterwards.  A kept switch stores its
// mode, so that the next switch to that kind of device uses it again.
#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "platform/nv_protocol.h"

using namespace platform;

bool g_bOutputSwitchDeclined = false;

namespace {

constexpr const char* kCaption = "Marovex";
constexpr unsigned kQuestion = kMbYesNo | kMbIconQuestion;

DisplayMode ModeRequest(const std::uint32_t record[4])
{
    DisplayMode mode = {};
    mode.dmSize = kDevModeSize;
    mode.dmFields = kDmBitsPerPel | kDmPelsWidth | kDmPelsHeight | kDmDisplayFrequency;
    mode.dmPelsWidth = record[0];
    mode.dmPelsHeight = record[1];
    mode.dmBitsPerPel = record[2];
    mode.dmDisplayFrequency = record[3];
    return mode;
}

}  // namespace

bool CDisplayDriver::SwitchOutputDevice()
{
    const std::string modesKey = m_szTweakKey + "\\DisplayModes";
    const std::string tvKey = m_szTweakKey + "\\TVOut";
    const int device = m_nNewOutputDevice;
    const std::uint32_t desktop[4] = {
        static_cast<std::uint32_t>(m_nModeWidth), static_cast<std::uint32_t>(m_nModeHeight),
        static_cast<std::uint32_t>(m_nModeBitsPerPel), static_cast<std::uint32_t>(m_nModeRefresh)};

    // 1. The mode for the new device, and its TV format.
    std::uint32_t mode[4];
    std::memcpy(mode, desktop, sizeof mode);
    int format = 0;
    auto accepts = [&]() {
        const std::uint32_t request[4] = {mode[0], mode[1], mode[2],
                                          static_cast<std::uint32_t>(device)};
        return SetOutputMode(request);
    };
    // A stored record replaces the desktop mode only when it could be read
    // whole; a shorter one replaces its first fields.
    auto readStoredMode = [&](const char* name) {
        std::uint32_t stored[4];
        std::memcpy(stored, desktop, sizeof stored);
        if (ReadBinary(modesKey.c_str(), name, stored, sizeof stored))
            std::memcpy(mode, stored, sizeof mode);
    };

    switch (device) {
    case nv::kOutputMonitor:
        readStoredMode("Analog Monitor");
        if (!accepts()) {
            mode[0] = 640;
            mode[1] = 480;
            if (!accepts())
                return false;
        }
        break;
    case nv::kOutputFlatPanel: {
        readStoredMode("Digital Flat Panel");
        std::uint32_t panel[nv::kFlatPanelInfoSize / 4] = {};
        if (RmConfigGetEx(m_hClient, nv::kDeviceHandle, nv::kItemFlatPanelInfo, panel, sizeof panel) != 0)
            return false;
        if (!accepts()) {
            mode[0] = panel[1];
            mode[1] = panel[2];
            if (!accepts())
                return false;
        }
        break;
    }
    case nv::kOutputTVNtsc:
    case nv::kOutputTV: {
        if (device == nv::kOutputTVNtsc)
            SetItem(nv::kItemTVConnector, static_cast<std::uint32_t>(m_nTVConnector));
        const std::uint32_t tvRequest[4] = {
            static_cast<std::uint32_t>(m_nTVWidth), static_cast<std::uint32_t>(m_nTVHeight),
            static_cast<std::uint32_t>(m_nTVBitsPerPel), static_cast<std::uint32_t>(device)};
        SetOutputMode(tvRequest);
        unsigned char block[sizeof m_TVFormatBlock];
        std::memcpy(block, m_TVFormatBlock, sizeof block);
        if (ReadBinary(tvKey.c_str(), "DynamicFmt", block, sizeof block)) {
            std::memcpy(m_TVFormatBlock, block, sizeof block);
        } else {
            std::uint32_t tvFormat = 0;
            if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemTVFormat, &tvFormat) != 0)
                return false;
            std::memcpy(m_TVFormatBlock, &tvFormat, sizeof tvFormat);
        }
        mode[0] = static_cast<std::uint32_t>(m_nTVWidth);
        mode[1] = static_cast<std::uint32_t>(m_nTVHeight);
        mode[2] = static_cast<std::uint32_t>(m_nTVBitsPerPel);
        mode[3] = 60;
        if (device == nv::kOutputTVNtsc) {
            std::int32_t first = 0;
            std::memcpy(&first, m_TVFormatBlock, sizeof first);
            format = first;
        } else {
            format = m_nTVFormat;
        }
        break;
    }
    default:
        return false;
    }

    // 2. and 3. The request, and the user's word.
    const DisplayMode request = ModeRequest(mode);
    if (m_os.MessageBoxA(m_hWndOwner, "Are you sure you wish to change output devices?", kCaption,
                         kQuestion) != kIdYes) {
        g_bOutputSwitchDeclined = true;
        SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nOutputDevice));
        return true;
    }
    g_bOutputSwitchDeclined = false;

    // 4. to 6. Tell the driver the new device, then change the mode.  When
    // the mode cannot be changed, the driver is told the previous device
    // again, so that the display is not left on a device showing nothing.
    SendOutputDevice(device, format);
    long result = kDispChangeFailed;
    DisplayCall call = ChangeDisplayMode(&request, kCdsUpdateRegistry | kCdsReset, 100, &result);
    if (call == DisplayCall::kNoLibrary)
        Fail("E: Unable to load USER32.DLL library.");
    if (call != DisplayCall::kDone || result != kDispChangeSuccessful) {
        SendOutputDevice(m_nOutputDevice, 0);
        return false;
    }

    // 7. Keep it, or put the previous device and the desktop mode back.
    if (m_os.MessageBoxA(m_hWndOwner, "Would you like to keep these settings?", kCaption,
                         kQuestion) == kIdYes) {
        if (device == nv::kOutputMonitor)
            WriteBinary(modesKey.c_str(), "Analog Monitor", mode, sizeof mode);
        else if (device == nv::kOutputFlatPanel)
            WriteBinary(modesKey.c_str(), "Digital Flat Panel", mode, sizeof mode);
        else
            WriteBinary(tvKey.c_str(), "DynamicFmt", m_TVFormatBlock, sizeof m_TVFormatBlock);
        m_nOutputDevice = m_nNewOutputDevice;
        return true;
    }
    SetItem(nv::kItemTVConnector, static_cast<std::uint32_t>(m_nTVConnector));
    SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nOutputDevice));
    SendOutputDevice(m_nOutputDevice, 0);
    const DisplayMode previous = ModeRequest(desktop);
    ChangeDisplayMode(&previous, kCdsUpdateRegistry | kCdsReset, 0, &result);
    g_bOutputSwitchDeclined = true;
    return true;
}
