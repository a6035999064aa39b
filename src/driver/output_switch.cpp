// SwitchOutputDevice: moves the desktop to the pending output device (analog
// monitor, TV or digital flat panel) after the user agrees, and keeps the
// switch only when the user confirms it afterwards.  A kept switch stores its
// mode, so that the next switch to that kind of device uses it again.
#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "platform/nv_protocol.h"

using namespace platform;

bool g_bOutputSwitchDeclined = false;

namespace {

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
    OutputMode target = {};
    if (!ChooseOutputMode(&target))
        return false;
    const DisplayMode request = ModeRequest(target.mode);
    if (!m_user.Ask(m_hWndOwner, "Are you sure you wish to change output devices?", UserPrompts::kQuestion)) {
        g_bOutputSwitchDeclined = true;
        SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nOutputDevice));
        return true;
    }
    g_bOutputSwitchDeclined = false;

    // Tell the driver the new device, then change the mode.  When the mode
    // cannot be changed, the driver is told the previous device again, so
    // that the display is not left on a device showing nothing.
    SendOutputDevice(m_nNewOutputDevice, target.format);
    long result = kDispChangeFailed;
    const DisplayCall call = ChangeDisplayMode(&request, kCdsUpdateRegistry | kCdsReset, 100, &result);
    if (call == DisplayCall::kNoLibrary)
        Fail("E: Unable to load USER32.DLL library.");
    if (call != DisplayCall::kDone || result != kDispChangeSuccessful) {
        SendOutputDevice(m_nOutputDevice, 0);
        return false;
    }
    KeepOrUndoSwitch(target);
    return true;
}

// The mode for the pending device and its TV format: a stored record, the
// desktop's mode, or a fallback the driver accepts; false when there is none.
bool CDisplayDriver::ChooseOutputMode(OutputMode* target)
{
    const std::string modesKey = layout::SubKey(m_szTweakKey, layout::kDisplayModes);
    const int device = m_nNewOutputDevice;
    std::uint32_t* mode = target->mode;
    DesktopMode(mode);
    auto accepts = [&]() {
        const std::uint32_t request[4] = {mode[0], mode[1], mode[2], static_cast<std::uint32_t>(device)};
        return SetOutputMode(request);
    };
    // A stored record replaces the desktop mode only when it could be read
    // whole; a shorter one replaces its first fields.
    auto readStoredMode = [&](const char* name) {
        std::uint32_t stored[4];
        DesktopMode(stored);
        if (ReadBinary(modesKey.c_str(), name, stored, sizeof stored))
            std::memcpy(mode, stored, sizeof stored);
    };

    switch (device) {
    case nv::kOutputMonitor:
        readStoredMode(layout::kMonitorMode);
        if (accepts())
            return true;
        mode[0] = 640;
        mode[1] = 480;
        return accepts();
    case nv::kOutputFlatPanel: {
        readStoredMode(layout::kFlatPanelMode);
        std::uint32_t panel[nv::kFlatPanelInfoSize / 4] = {};
        if (RmConfigGetEx(m_hClient, nv::kDeviceHandle, nv::kItemFlatPanelInfo, panel, sizeof panel) != 0)
            return false;
        if (accepts())
            return true;
        mode[0] = panel[1];
        mode[1] = panel[2];
        return accepts();
    }
    case nv::kOutputTVNtsc:
    case nv::kOutputTV:
        return ChooseTVMode(target);
    default:
        return false;
    }
}

// The TV's mode is the one chosen in the window, at 60 Hz; its format comes
// from the stored block (NTSC) or the window's choice.
bool CDisplayDriver::ChooseTVMode(OutputMode* target)
{
    const int device = m_nNewOutputDevice;
    if (device == nv::kOutputTVNtsc)
        SetItem(nv::kItemTVConnector, static_cast<std::uint32_t>(m_nTVConnector));
    const std::uint32_t tvRequest[4] = {static_cast<std::uint32_t>(m_nTVWidth), static_cast<std::uint32_t>(m_nTVHeight),
                                        static_cast<std::uint32_t>(m_nTVBitsPerPel),
                                        static_cast<std::uint32_t>(device)};
    SetOutputMode(tvRequest);
    unsigned char block[sizeof m_TVFormatBlock];
    std::memcpy(block, m_TVFormatBlock, sizeof block);
    if (ReadBinary(layout::SubKey(m_szTweakKey, layout::kTVOut).c_str(), layout::kTVFormat, block, sizeof block)) {
        std::memcpy(m_TVFormatBlock, block, sizeof block);
    } else {
        std::uint32_t tvFormat = 0;
        if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemTVFormat, &tvFormat) != 0)
            return false;
        std::memcpy(m_TVFormatBlock, &tvFormat, sizeof tvFormat);
    }
    target->mode[0] = static_cast<std::uint32_t>(m_nTVWidth);
    target->mode[1] = static_cast<std::uint32_t>(m_nTVHeight);
    target->mode[2] = static_cast<std::uint32_t>(m_nTVBitsPerPel);
    target->mode[3] = 60;
    if (device == nv::kOutputTVNtsc) {
        std::int32_t first = 0;
        std::memcpy(&first, m_TVFormatBlock, sizeof first);
        target->format = first;
    } else {
        target->format = m_nTVFormat;
    }
    return true;
}

// Asks whether to keep the new device: kept, its mode is stored for the next
// switch and the device committed; not kept, the previous device and the
// desktop mode are put back.
void CDisplayDriver::KeepOrUndoSwitch(const OutputMode& target)
{
    const std::string modesKey = layout::SubKey(m_szTweakKey, layout::kDisplayModes);
    if (m_user.Ask(m_hWndOwner, "Would you like to keep these settings?", UserPrompts::kQuestion)) {
        if (m_nNewOutputDevice == nv::kOutputMonitor)
            WriteBinary(modesKey.c_str(), layout::kMonitorMode, target.mode, sizeof target.mode);
        else if (m_nNewOutputDevice == nv::kOutputFlatPanel)
            WriteBinary(modesKey.c_str(), layout::kFlatPanelMode, target.mode, sizeof target.mode);
        else
            WriteBinary(layout::SubKey(m_szTweakKey, layout::kTVOut).c_str(), layout::kTVFormat, m_TVFormatBlock,
                        sizeof m_TVFormatBlock);
        m_nOutputDevice = m_nNewOutputDevice;
        return;
    }
    SetItem(nv::kItemTVConnector, static_cast<std::uint32_t>(m_nTVConnector));
    SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nOutputDevice));
    SendOutputDevice(m_nOutputDevice, 0);
    std::uint32_t desktop[4];
    DesktopMode(desktop);
    const DisplayMode previous = ModeRequest(desktop);
    long result = 0;
    ChangeDisplayMode(&previous, kCdsUpdateRegistry | kCdsReset, 0, &result);
    g_bOutputSwitchDeclined = true;
}

void CDisplayDriver::DesktopMode(std::uint32_t mode[4]) const
{
    mode[0] = static_cast<std::uint32_t>(m_nModeWidth);
    mode[1] = static_cast<std::uint32_t>(m_nModeHeight);
    mode[2] = static_cast<std::uint32_t>(m_nModeBitsPerPel);
    mode[3] = static_cast<std::uint32_t>(m_nModeRefresh);
}
