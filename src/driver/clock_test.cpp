// TestClockSpeeds: new clocks must survive a short run on the hardware
// before they may be applied.  The board runs them while the progress
// dialog is shown; the current clocks are put back whatever happens.
#include <cstring>

#include "driver/display_driver.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace {

constexpr int kRestoreAttempts = 3;

}  // namespace

bool CDisplayDriver::TestClockSpeeds()
{
    const bool coreChanged = m_nNewCoreClock != m_nCoreClock;
    const bool memChanged = m_nNewMemClock != m_nMemClock;
    if (!coreChanged && !memChanged)
        return true;

    if (!Connect("E6.1: Invalid video driver allocation.", "E6.2: Invalid video driver device ID."))
        return false;
    if (coreChanged && !SetItem(nv::kItemCoreClock, static_cast<std::uint32_t>(m_nNewCoreClock) * 1000000u))
        Fail("E6.3: Unable to set the video core clock speed.");
    if (memChanged && !SetItem(nv::kItemMemClock, static_cast<std::uint32_t>(m_nNewMemClock) * 1000000u))
        Fail("E6.4: Unable to set the video memory clock speed.");

    // The board must not be left at clocks that were only on trial: a
    // refused restore is asked again before it counts as failed.
    auto restore = [&](std::uint32_t item, int mhz) {
        for (int attempt = 0; attempt < kRestoreAttempts; ++attempt)
            if (SetItem(item, static_cast<std::uint32_t>(mhz) * 1000000u))
                return true;
        return false;
    };
    auto restoreClocks = [&]() {
        if (coreChanged && !restore(nv::kItemCoreClock, m_nCoreClock))
            Fail("E6.7: Unable to reset the video core clock speed.");
        if (memChanged && !restore(nv::kItemMemClock, m_nMemClock))
            Fail("E6.8: Unable to reset the video memory clock speed.");
    };

    long result = 0;
    switch (ChangeDisplayMode(nullptr, kCdsReset, 0, &result)) {
    case DisplayCall::kNoLibrary:
        Fail("E6.5: Unable to load USER32.DLL library.");
        restoreClocks();
        RmFree(m_hClient, 0, m_hClient);
        return false;
    case DisplayCall::kNoFunction:
        Fail("E5.6: Unable to change display setting.");
        restoreClocks();
        RmFree(m_hClient, 0, m_hClient);
        return false;
    case DisplayCall::kDone:
        break;
    }

    ClockTestRun run = {};
    run.client = m_hClient;
    run.coreMHz = m_nNewCoreClock;
    run.memMHz = m_nNewMemClock;
    std::memcpy(run.deviceName, m_szDeviceName, sizeof run.deviceName);
    run.deviceName[sizeof run.deviceName - 1] = '\0';
    run.byDeviceName = m_bByDeviceName;
    m_os.RunClockTestDialog(run);

    restoreClocks();
    RmFree(m_hClient, 0, m_hClient);

    switch (ChangeDisplayMode(nullptr, kCdsReset, 0, &result)) {
    case DisplayCall::kNoLibrary:
        Fail("E6.9: Unable to load USER32.DLL library.");
        return false;
    case DisplayCall::kNoFunction:
        Fail("E5.10: Unable to change display setting.");
        return false;
    case DisplayCall::kDone:
        break;
    }
    m_bClocksTested = result == kDispChangeSuccessful;
    return m_bClocksTested;
}
