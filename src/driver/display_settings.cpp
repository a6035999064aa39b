// Display-mode changes through the system's display-settings functions,
// which are looked up at run time: the by-name variant where the display
// was verified by device name, the plain one otherwise.
#include "driver/display_driver.h"

using namespace platform;

CDisplayDriver::DisplayCall CDisplayDriver::ChangeDisplayMode(const DisplayMode* mode,
                                                              std::uint32_t flags,
                                                              std::uint32_t waitMs, long* result)
{
    Module user32 = m_os.LoadLibraryA("USER32.DLL");
    if (!user32)
        return DisplayCall::kNoLibrary;
    Procedure change = m_os.GetProcAddressA(
        user32, m_bByDeviceName ? "ChangeDisplaySettingsExA" : "ChangeDisplaySettingsA");
    if (!change) {
        m_os.FreeLibrary(user32);
        return DisplayCall::kNoFunction;
    }
    *result = m_bByDeviceName ? m_os.CallChangeDisplaySettingsEx(change, m_szDeviceName, mode, flags)
                              : m_os.CallChangeDisplaySettings(change, mode, flags);
    if (waitMs)
        m_os.Sleep(waitMs);
    m_os.FreeLibrary(user32);
    return DisplayCall::kDone;
}
