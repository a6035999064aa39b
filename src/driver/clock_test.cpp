// TestClockSpeeds: new clocks must survive a short run on the hardware
// before they may be applied.  The board runs them while the progress
// dialog is shown; the clocks it ran before are put back whatever happens,
// and a journal in the registry covers the time between, should the
// program not live to put them back itself.
#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "driver/settings_lock.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace {

constexpr int kRestoreAttempts = 3;

}  // namespace

class CDisplayDriver::TrialClocks : public ClockTrial {
public:
    TrialClocks(CDisplayDriver& driver, std::uint32_t client, const BoardClocks& clocks)
        : m_driver(driver), m_client(client), m_clocks(clocks)
    {
    }
    void OnProgressShown() override { m_driver.RunTrialClocks(m_client, m_clocks); }

private:
    CDisplayDriver& m_driver;
    std::uint32_t m_client;
    BoardClocks m_clocks;
};

// While the progress is shown: both trial clocks are set again, the memory
// clock even when the core clock was refused, and only when both took is the
// display reset so that they take effect.  A clock not on trial is set to
// the hertz the board ran before, so that the test leaves it as it was.
// Nothing is reported here.
void CDisplayDriver::RunTrialClocks(std::uint32_t client, const BoardClocks& trial)
{
    m_hClient = client;
    const bool core = SetItem(nv::kItemCoreClock, trial.coreHz);
    const bool mem = SetItem(nv::kItemMemClock, trial.memHz);
    long result = 0;
    if (core && mem)
        ChangeDisplayMode(nullptr, kCdsReset, 0, &result);
}

// The one rule for clocks that may go on the board: the board's own
// baseline, the pair it runs that may stay (while a journal stands, the
// pair from before that test), and the pair that passed the last test.
// A trial pair is none of these until it passed.
bool CDisplayDriver::ClocksMayBeApplied(int coreMHz, int memMHz) const
{
    return (coreMHz == m_wDefaultCoreClock && memMHz == m_wDefaultMemClock)
           || (coreMHz == m_nCoreClock && memMHz == m_nMemClock)
           || (m_bClocksTested && coreMHz == m_nTestedCoreClock && memMHz == m_nTestedMemClock);
}

void CDisplayDriver::AcceptClocks(int coreMHz, int memMHz)
{
    m_bClocksTested = true;
    m_nTestedCoreClock = coreMHz;
    m_nTestedMemClock = memMHz;
}

bool CDisplayDriver::ReadBoardHz(BoardClocks* clocks)
{
    return RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemCoreClock, &clocks->coreHz) == 0
           && RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemMemClock, &clocks->memHz) == 0;
}

// Each clock on trial is nearer the trial clock than the one the board ran
// before it: a board that kept its clocks, even clocks other than those
// recorded, did not run the trial.
bool CDisplayDriver::RunsTrial(const ClockJournal& journal, const BoardClocks& before, const BoardClocks& board)
{
    return (journal.trialCore == journal.oldCore
            || driver::RunsClock(board.coreHz, driver::MHzToHz(journal.trialCore), before.coreHz))
           && (journal.trialMem == journal.oldMem
               || driver::RunsClock(board.memHz, driver::MHzToHz(journal.trialMem), before.memHz));
}

bool CDisplayDriver::RunsRatherThanTrial(const ClockJournal& journal, const BoardClocks& board, int coreMHz,
                                         int memMHz)
{
    return driver::RunsClock(board.coreHz, driver::MHzToHz(coreMHz), driver::MHzToHz(journal.trialCore))
           && driver::RunsClock(board.memHz, driver::MHzToHz(memMHz), driver::MHzToHz(journal.trialMem));
}

// Read after the board answered that it took the clocks: a board that
// answers and keeps the trial clocks has not left them.  A board that
// cannot tell is taken at its answers.
bool CDisplayDriver::LeftTrialFor(const ClockJournal& journal, int coreMHz, int memMHz)
{
    BoardClocks now = {};
    return !ReadBoardHz(&now) || RunsRatherThanTrial(journal, now, coreMHz, memMHz);
}

// The hertz to put back after a trial: the board's own, read now, where
// they are the recorded clocks; a clock it cannot tell, or runs otherwise,
// is put back as recorded.  read gets what the board runs, as far as it
// tells.
CDisplayDriver::BoardClocks CDisplayDriver::ReadBoardClocks(const ClockJournal& journal, BoardClocks* read)
{
    BoardClocks clocks = {driver::MHzToHz(journal.oldCore), driver::MHzToHz(journal.oldMem)};
    *read = clocks;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemCoreClock, &read->coreHz) == 0
        && driver::HzToMHz(read->coreHz) == journal.oldCore)
        clocks.coreHz = read->coreHz;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemMemClock, &read->memHz) == 0
        && driver::HzToMHz(read->memHz) == journal.oldMem)
        clocks.memHz = read->memHz;
    return clocks;
}

bool CDisplayDriver::TestClockSpeeds(int steps)
{
    m_bTestFailed = false;
    m_trialRan = {};
    if (m_nNewCoreClock == m_nCoreClock && m_nNewMemClock == m_nMemClock)
        return true;
    const SettingsLock lock(m_os);
    if (!lock.Held()) {
        Fail(kSettingsBusy);
        return false;
    }

    if (!Connect("E6.1: Invalid video driver allocation.", "E6.2: Invalid video driver device ID."))
        return false;
    // A journal left standing, by an earlier test of this program or of one
    // that was ended, is settled first: a new journal never takes the place
    // of one whose clocks are not back.
    if (!SettleStandingJournal()) {
        Fail(kNothingTested);
        RmFree(m_hClient, 0, m_hClient);
        return false;
    }
    // The clocks to put back are those recorded now, never a reading taken
    // while the trial clocks run.
    const ClockJournal journal = {m_nCoreClock, m_nMemClock, m_nNewCoreClock, m_nNewMemClock};
    if (journal.trialCore == journal.oldCore && journal.trialMem == journal.oldMem) {
        RmFree(m_hClient, 0, m_hClient);
        return true;
    }
    if (!WriteClockJournal(journal)) {
        DeleteClockJournal();
        Fail(kClockJournalError);
        RmFree(m_hClient, 0, m_hClient);
        return false;
    }
    m_strRestoreError.clear();
    BoardClocks ranBefore = {};
    const BoardClocks before = ReadBoardClocks(journal, &ranBefore);
    const bool coreOnTrial = journal.trialCore != journal.oldCore;
    const bool memOnTrial = journal.trialMem != journal.oldMem;
    const BoardClocks trialClocks = {coreOnTrial ? driver::MHzToHz(journal.trialCore) : before.coreHz,
                                     memOnTrial ? driver::MHzToHz(journal.trialMem) : before.memHz};
    const std::uint32_t trialClient = m_hClient;
    if (coreOnTrial && !SetItem(nv::kItemCoreClock, trialClocks.coreHz))
        Fail("E6.3: Unable to set the video core clock speed.");
    if (memOnTrial && !SetItem(nv::kItemMemClock, trialClocks.memHz))
        Fail("E6.4: Unable to set the video memory clock speed.");

    // A test that cannot reset the display ends at once; the message is the
    // failed step's, not a restore's.
    long result = 0;
    if (!ResetDisplay("E6.5: Unable to load USER32.DLL library.", "E5.6: Unable to change display setting.",
                      &result)) {
        const std::string failedStep = m_strLastError;
        EndTrial(journal, before, trialClient);
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
    run.steps = steps;
    TrialClocks trial(*this, trialClient, trialClocks);
    m_user.ShowTestProgress(run, trial);

    // A trial counts only when the board ran it to its end: a board that
    // answers clock requests and keeps its clocks, or refused the trial
    // clocks, tested nothing, and nothing enters a list of clocks.
    BoardClocks ran = {};
    const bool boardTold = ReadBoardHz(&ran);
    if (boardTold)
        m_trialRan = {static_cast<std::uint16_t>(driver::HzToMHz(ran.coreHz)),
                      static_cast<std::uint16_t>(driver::HzToMHz(ran.memHz))};
    const bool trialRan = boardTold && RunsTrial(journal, ranBefore, ran);
    const bool restored = EndTrial(journal, before, trialClient);
    if (!ResetDisplay("E6.9: Unable to load USER32.DLL library.", "E5.10: Unable to change display setting.",
                      &result))
        return false;
    if (!trialRan) {  // no verdict: what an earlier test let apply stays
        Fail(kNothingTested);
        return false;
    }
    m_bClocksTested = result == kDispChangeSuccessful;
    m_bTestFailed = !m_bClocksTested;
    m_nTestedCoreClock = journal.trialCore;
    m_nTestedMemClock = journal.trialMem;
    if (!m_bClocksTested)
        RememberFailedClocks(journal.trialCore, journal.trialMem);
    else
        RememberPassedClocks(journal.trialCore, journal.trialMem);
    if (m_bClocksTested && !restored)  // the journal stays, but its pair did not fail
        WriteDword(layout::kClockJournalKey, layout::kJournalTestPassed, 1);
    return m_bClocksTested;
}

// Puts the old clocks back through the trial's own connection, whatever else
// was opened meanwhile, and frees it.  The board must not be left at clocks
// that were only on trial: a refused restore is asked again before it
// counts as failed, and the journal stays until the old clocks are back.
bool CDisplayDriver::EndTrial(const ClockJournal& journal, const BoardClocks& before, std::uint32_t trialClient)
{
    m_hClient = trialClient;
    auto restore = [&](std::uint32_t item, std::uint32_t hz) {
        for (int attempt = 0; attempt < kRestoreAttempts; ++attempt)
            if (SetItem(item, hz))
                return true;
        return false;
    };
    if (journal.trialCore != journal.oldCore && !restore(nv::kItemCoreClock, before.coreHz))
        m_strRestoreError = "E6.7: Unable to reset the video core clock speed.";
    if (journal.trialMem != journal.oldMem && !restore(nv::kItemMemClock, before.memHz))
        m_strRestoreError = "E6.8: Unable to reset the video memory clock speed.";
    if (m_strRestoreError.empty() && !LeftTrialFor(journal, journal.oldCore, journal.oldMem))
        m_strRestoreError = "E6.7: Unable to reset the video core clock speed.";
    if (m_strRestoreError.empty())
        DeleteClockJournal();
    else
        Fail(m_strRestoreError.c_str());
    RmFree(m_hClient, 0, m_hClient);
    return m_strRestoreError.empty();
}
