// TestClockSpeeds: new clocks must survive a short run on the hardware
// before they may be applied.  The board runs them while the progress
// dialog is shown; the clocks it ran before are put back whatever happens,
// and a journal in the registry covers the time between, should the
// program not live to put them back itself.
#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "driver/settings_lock.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace {

constexpr int kRestoreAttempts = 3;

}  // namespace

class CDisplayDriver::TrialClocks : public ClockTrial {
public:
    TrialClocks(CDisplayDriver& driver, const ClockTestRun& run) : m_driver(driver), m_run(run) {}
    void OnProgressShown() override { m_driver.RunTrialClocks(m_run); }

private:
    CDisplayDriver& m_driver;
    const ClockTestRun& m_run;
};

// While the progress is shown: both trial clocks are set again, the memory
// clock even when the core clock was refused, and only when both took is the
// display reset so that they take effect.  Nothing is reported here.
void CDisplayDriver::RunTrialClocks(const ClockTestRun& run)
{
    m_hClient = run.client;
    const bool core = SetClock(nv::kItemCoreClock, run.coreMHz);
    const bool mem = SetClock(nv::kItemMemClock, run.memMHz);
    long result = 0;
    if (core && mem)
        ChangeDisplayMode(nullptr, kCdsReset, 0, &result);
}

bool CDisplayDriver::TestClockSpeeds()
{
    // The clocks to put back are those recorded now, never a reading taken
    // while the trial clocks run.
    const ClockJournal journal = {m_nCoreClock, m_nMemClock, m_nNewCoreClock, m_nNewMemClock};
    if (journal.trialCore == journal.oldCore && journal.trialMem == journal.oldMem)
        return true;
    const SettingsLock lock(m_os);
    if (!lock.Held()) {
        Fail(kSettingsBusy);
        return false;
    }

    if (!Connect("E6.1: Invalid video driver allocation.", "E6.2: Invalid video driver device ID."))
        return false;
    if (!WriteClockJournal(journal)) {
        DeleteClockJournal();
        Fail(kClockJournalError);
        RmFree(m_hClient, 0, m_hClient);
        return false;
    }
    const std::uint32_t trialClient = m_hClient;
    if (journal.trialCore != journal.oldCore && !SetClock(nv::kItemCoreClock, journal.trialCore))
        Fail("E6.3: Unable to set the video core clock speed.");
    if (journal.trialMem != journal.oldMem && !SetClock(nv::kItemMemClock, journal.trialMem))
        Fail("E6.4: Unable to set the video memory clock speed.");

    // A test that cannot reset the display ends at once; the message is the
    // failed step's, not a restore's.
    long result = 0;
    if (!ResetDisplay("E6.5: Unable to load USER32.DLL library.", "E5.6: Unable to change display setting.",
                      &result)) {
        const std::string failedStep = m_strLastError;
        EndTrial(journal, trialClient);
        m_strLastError = failedStep;
        return false;
    }

    ClockTestRun run = {};
    run.client = m_hClient;
    run.coreMHz = journal.trialCore;
    run.memMHz = journal.trialMem;
    std::memcpy(run.deviceName, m_szDeviceName, sizeof run.deviceName);
    run.deviceName[sizeof run.deviceName - 1] = '\0';
    run.byDeviceName = m_bByDeviceName;
    TrialClocks trial(*this, run);
    m_user.ShowTestProgress(run, trial);

    EndTrial(journal, trialClient);
    if (!ResetDisplay("E6.9: Unable to load USER32.DLL library.", "E5.10: Unable to change display setting.",
                      &result))
        return false;
    m_bClocksTested = result == kDispChangeSuccessful;
    if (!m_bClocksTested)
        RememberFailedClocks(journal.trialCore, journal.trialMem);
    return m_bClocksTested;
}

// Puts the old clocks back through the trial's own connection, whatever else
// was opened meanwhile, and frees it.  The board must not be left at clocks
// that were only on trial: a refused restore is asked again before it
// counts as failed, and the journal stays until the old clocks are back.
void CDisplayDriver::EndTrial(const ClockJournal& journal, std::uint32_t trialClient)
{
    m_hClient = trialClient;
    auto restore = [&](std::uint32_t item, int mhz) {
        for (int attempt = 0; attempt < kRestoreAttempts; ++attempt)
            if (SetClock(item, mhz))
                return true;
        return false;
    };
    bool restored = true;
    if (journal.trialCore != journal.oldCore && !restore(nv::kItemCoreClock, journal.oldCore)) {
        Fail("E6.7: Unable to reset the video core clock speed.");
        restored = false;
    }
    if (journal.trialMem != journal.oldMem && !restore(nv::kItemMemClock, journal.oldMem)) {
        Fail("E6.8: Unable to reset the video memory clock speed.");
        restored = false;
    }
    if (restored)
        DeleteClockJournal();
    RmFree(m_hClient, 0, m_hClient);
}
