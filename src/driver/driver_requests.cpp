// The requests every operation of CDisplayDriver makes: the resource-manager
// connection and its configuration items, the display escapes on a context
// of the verified display, and the display-settings functions, looked up at
// run time (the by-name variant where the display was verified by name).
#include "driver/display_driver.h"
#include "platform/nv_protocol.h"

using namespace platform;

bool CDisplayDriver::Connect(const char* rootMessage, const char* deviceMessage)
{
    if (RmAllocRoot(&m_hClient) != 0) {
        Fail(rootMessage);
        return false;
    }
    char name[nv::kDeviceNameSize] = {};
    if (RmAllocDevice(m_hClient, nv::kDeviceHandle, nv::kDeviceClass, name) != 0) {
        Fail(deviceMessage);
        RmFree(m_hClient, 0, m_hClient);
        return false;
    }
    return true;
}

bool CDisplayDriver::SetItem(std::uint32_t item, std::uint32_t value)
{
    std::uint32_t previous = 0;
    return RmConfigSet(m_hClient, nv::kDeviceHandle, item, value, &previous) == 0;
}

DeviceContext CDisplayDriver::MakeDisplayDC()
{
    return m_bByDeviceName ? m_os.CreateDCA(nullptr, m_szDeviceName)
                           : m_os.CreateDCA(m_szDeviceName, nullptr);
}

int CDisplayDriver::QueryRefreshRate()
{
    DeviceContext dc = MakeDisplayDC();
    std::uint32_t refresh = 0;
    int result = m_os.ExtEscape(dc, nv::kEscRefreshRate, 0, nullptr, sizeof refresh, &refresh);
    if (dc)
        m_os.DeleteDC(dc);
    return result > 0 ? static_cast<int>(refresh) : 0;
}

bool CDisplayDriver::SetOutputMode(const std::uint32_t record[4])
{
    DeviceContext dc = MakeDisplayDC();
    std::uint32_t accepted = 0;
    m_os.ExtEscape(dc, nv::kEscSetOutputMode, 4 * sizeof record[0], record, sizeof accepted,
                   &accepted);
    if (dc)
        m_os.DeleteDC(dc);
    return accepted != 0;
}

void CDisplayDriver::SendOutputDevice(int device, int format)
{
    const std::uint32_t request[3] = {0, static_cast<std::uint32_t>(device),
                                      static_cast<std::uint32_t>(format)};
    std::uint32_t reply = 0;
    DeviceContext dc = MakeDisplayDC();
    m_os.ExtEscape(dc, nv::kEscOutputDevice, sizeof request, request, sizeof reply, &reply);
    if (dc)
        m_os.DeleteDC(dc);
}

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

bool CDisplayDriver::ResetDisplay(const char* noLibrary, const char* noFunction, long* result)
{
    switch (ChangeDisplayMode(nullptr, kCdsReset, 0, result)) {
    case DisplayCall::kNoLibrary:
        Fail(noLibrary);
        return false;
    case DisplayCall::kNoFunction:
        Fail(noFunction);
        return false;
    case DisplayCall::kDone:
        break;
    }
    return true;
}
