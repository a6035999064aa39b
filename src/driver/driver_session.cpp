// The driver session of CDisplayDriver: construction, verification of the
// display driver, the hardware values read from the resource manager, the
// one-time capture of the baseline clocks, and the display escapes that
// other operations use.
#include <algorithm>
#include <cstring>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "driver/settings_lock.h"
#include "platform/nv_protocol.h"

using namespace platform;

CDisplayDriver::CDisplayDriver(Platform& os, UserPrompts& user, Window hWndOwner)
    : m_hWndOwner(hWndOwner), m_os(os), m_user(user)
{
}

CDisplayDriver::~CDisplayDriver()
{
    if (m_hDC)
        m_os.DeleteDC(m_hDC);
}

bool CDisplayDriver::Open(const char* deviceName)
{
    if (!Verify(deviceName))
        return false;
    if (!Connect("E1.1: Invalid video driver allocation.", "E1.2: Invalid video driver device ID."))
        return false;
    ReadHardwareInfo();
    const bool result = ReadSettings();
    // A clock test that never ended is settled once the baseline is known.
    // While another program holds the settings lock its test may be
    // running: the journal is left to it.  Whenever a journal stands, the
    // board may run its trial clocks, which are never taken for the board's
    // own: the clocks before that test count, at every reading.
    if (result && !m_bJournalSettled) {
        const SettingsLock lock(m_os);
        if (lock.Held())
            SettleInterruptedTest();
    }
    TakeClocksFromJournal();
    RmFree(m_hClient, 0, m_hClient);
    return result;
}

bool CDisplayDriver::Verify(const char* deviceName)
{
    if (m_hDC) {
        m_os.DeleteDC(m_hDC);
        m_hDC = 0;
    }
    std::uint32_t nameLength = static_cast<std::uint32_t>(std::strlen(deviceName));
    // Letter case aside: a letter and its capital differ in bit 5 alone.
    const bool isDriverName =
        nameLength == 7
        && std::equal(deviceName, deviceName + 7, "DISPLAY", [](char c, char capital) { return (c & ~0x20) == capital; });
    m_bByDeviceName = !isDriverName;
    m_hDC = m_bByDeviceName ? m_os.CreateDCA(nullptr, deviceName) : m_os.CreateDCA(deviceName, nullptr);

    std::uint32_t verified = 0;
    m_os.ExtEscape(m_hDC, nv::kEscVerify, 0, nullptr, sizeof verified, &verified);
    if (verified == 0) {
        Fail("E2.1: Video driver verification failed.  Please ensure that compatible video "
             "drivers are installed.");
        return false;
    }

    std::uint32_t identity[2] = {};
    m_os.ExtEscape(m_hDC, nv::kEscIdentify, 0, nullptr, sizeof identity, identity);
    bool identified = identity[0] == static_cast<std::uint32_t>(nv::kEscIdentify);
    if (!identified)
        Fail("E2.2: Video driver initialization failed.  Please ensure that compatible video "
             "drivers are installed.");

    // The reply need not be terminated: copy at most what the key can hold.
    char reply[nv::kAdapterKeyReplySize] = {};
    m_os.ExtEscape(m_hDC, nv::kEscAdapterKey, 0, nullptr, sizeof reply, reply);
    const char* key = reply + nv::kAdapterKeyOffset;
    std::size_t length = 0;
    while (length < sizeof m_szAdapterKey - 1 && key[length] != '\0')
        ++length;
    std::memcpy(m_szAdapterKey, key, length);
    m_szAdapterKey[length] = '\0';

    return identified;
}

bool CDisplayDriver::ReadHardwareInfo()
{
    std::uint32_t value = 0;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemPciId, &value) == 0)
        m_wDeviceID = static_cast<std::uint16_t>(value >> 16);
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemCoreClock, &value) == 0)
        m_nCoreClock = driver::HzToMHz(value);
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemMemClock, &value) == 0)
        m_nMemClock = driver::HzToMHz(value);
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemFastWrites, &value) == 0)
        m_bFastWrites = value != 0;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemOutputDevice, &value) == 0)
        m_nOutputDevice = static_cast<int>(value);

    std::uint32_t panel[nv::kFlatPanelInfoSize / 4] = {};
    if (RmConfigGetEx(m_hClient, nv::kDeviceHandle, nv::kItemFlatPanelInfo, panel, sizeof panel) == 0)
        m_bHasFlatPanel = panel[3] != 0;
    std::uint32_t monitor = 0;
    if (RmConfigGetEx(m_hClient, nv::kDeviceHandle, nv::kItemMonitorInfo, &monitor, sizeof monitor) == 0)
        m_bHasMonitor = monitor != 0;
    std::uint32_t tv[nv::kTVInfoSize / 4] = {};
    if (RmConfigGetEx(m_hClient, nv::kDeviceHandle, nv::kItemTVInfo, tv, sizeof tv) == 0)
        m_bHasTV = tv[2] != 0;

    m_nNewCoreClock = m_nCoreClock;
    m_nNewMemClock = m_nMemClock;
    m_nNewOutputDevice = m_nOutputDevice;
    m_bNewFastWrites = m_bFastWrites;

    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemDesktopBitsPerPel, &value) == 0)
        m_nModeBitsPerPel = static_cast<int>(value);
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemDesktopWidth, &value) == 0)
        m_nModeWidth = static_cast<int>(value);
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemDesktopHeight, &value) == 0)
        m_nModeHeight = static_cast<int>(value);

    m_nModeRefresh = QueryRefreshRate();

    m_nTVConnector = RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemTVConnector, &value) == 0
                         ? static_cast<int>(value)
                         : 0;
    return true;
}

bool CDisplayDriver::CaptureDefaultClocks(const char* hardwareKey, std::uint32_t* record,
                                          std::uint32_t* salt)
{
    bool clocksRead = true;
    std::uint32_t hz = 0;
    int memMHz = 0, coreMHz = 0;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemMemClock, &hz) != 0) {
        Fail("E7.4: Video device memory clock speed unavailable.");
        clocksRead = false;
    } else {
        memMHz = driver::HzToMHz(hz);
    }
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemCoreClock, &hz) != 0) {
        Fail("E7.3: Video device core clock speed unavailable.");
        clocksRead = false;
    } else {
        coreMHz = driver::HzToMHz(hz);
    }
    std::uint32_t pciId = 0;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemPciId, &pciId) != 0) {
        Fail("E7.5: Video device PCI ID unavailable.");
        return false;
    }
    if (!clocksRead)
        return false;

    std::uint16_t deviceId = static_cast<std::uint16_t>(pciId >> 16);
    *salt = m_os.GetTickCount();
    WriteDword(hardwareKey, layout::kClockSalt, *salt);
    *record = driver::ScrambleClocks(static_cast<std::uint16_t>(coreMHz),
                                     static_cast<std::uint16_t>(memMHz), deviceId, *salt);
    WriteDword(hardwareKey, layout::kBaselineRecord, *record);
    return true;
}

bool CDisplayDriver::SetNewOutputDevice(int device)
{
    if (device != nv::kOutputMonitor && device != nv::kOutputTVNtsc && device != nv::kOutputTV
        && device != nv::kOutputFlatPanel)
        return false;
    m_nNewOutputDevice = device;
    return true;
}

bool CDisplayDriver::SetTVResolution(int choice)
{
    static const int kModes[6][3] = {
        {640, 480, 8}, {640, 480, 16}, {640, 480, 32}, {800, 600, 8}, {800, 600, 16}, {800, 600, 32},
    };
    if (choice >= 0 && choice < 6) {
        m_nTVWidth = kModes[choice][0];
        m_nTVHeight = kModes[choice][1];
        m_nTVBitsPerPel = kModes[choice][2];
    }
    return true;
}
