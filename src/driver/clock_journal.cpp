// The journal of a running clock test.  Before the trial clocks go on the
// board, the clocks before it and the trial clocks are written to the
// program's own key; once the old clocks are back the journal is deleted.
// A journal found when the driver session is first opened therefore means
// that a test never ended: the process was killed, crashed, or the machine
// hung and was restarted.
#include <cstdio>
#include <string>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace {

const char* const kJournalValues[4] = {"OldCore", "OldMem", "TrialCore", "TrialMem"};

}  // namespace

bool CDisplayDriver::WriteClockJournal(const ClockJournal& journal)
{
    const int values[4] = {journal.oldCore, journal.oldMem, journal.trialCore, journal.trialMem};
    for (int i = 0; i < 4; ++i)
        if (!WriteDword(layout::kClockJournalKey, kJournalValues[i], static_cast<std::uint32_t>(values[i])))
            return false;
    return true;
}

// The number of journal values found; the journal is whole with all four.
int CDisplayDriver::ReadClockJournal(ClockJournal* journal)
{
    int* values[4] = {&journal->oldCore, &journal->oldMem, &journal->trialCore, &journal->trialMem};
    int found = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t mhz = 0;
        if (ReadDword(layout::kClockJournalKey, kJournalValues[i], &mhz)) {
            *values[i] = static_cast<int>(mhz);
            ++found;
        }
    }
    return found;
}

void CDisplayDriver::DeleteClockJournal()
{
    for (const char* value : kJournalValues)
        DeleteValue(layout::kClockJournalKey, value);
}

// Runs inside the session's connection, before the clocks are read.
void CDisplayDriver::SettleInterruptedTest()
{
    ClockJournal journal = {};
    const int found = ReadClockJournal(&journal);
    if (found == 0) {
        m_bJournalSettled = true;
        return;
    }
    if (found < 4 || !IsClockMHz(journal.oldCore) || !IsClockMHz(journal.oldMem)) {
        // Written only in part: the test ended before any clock was set.
        DeleteClockJournal();
        m_bJournalSettled = true;
        return;
    }
    RememberFailedClocks(journal.trialCore, journal.trialMem);
    std::uint32_t coreHz = 0, memHz = 0;
    if (RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemCoreClock, &coreHz) != 0
        || RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemMemClock, &memHz) != 0)
        return;  // the board cannot tell: the journal waits for the next session

    char text[320];
    int length = std::snprintf(text, sizeof text, "The clock test of %d MHz core and %d MHz memory did not finish. ",
                               journal.trialCore, journal.trialMem);
    const bool onTrial = driver::HzToMHz(coreHz) == journal.trialCore && driver::HzToMHz(memHz) == journal.trialMem;
    bool restored = true;
    if (onTrial) {
        restored = SetClock(nv::kItemCoreClock, journal.oldCore);
        restored = SetClock(nv::kItemMemClock, journal.oldMem) && restored;
        std::snprintf(text + length, sizeof text - length,
                      restored ? "The clock speeds before it, %d MHz and %d MHz, were restored."
                               : "The clock speeds before it, %d MHz and %d MHz, could not be restored; "
                                 "please restart the computer.",
                      journal.oldCore, journal.oldMem);
        if (restored) {
            long result = 0;
            ChangeDisplayMode(nullptr, kCdsReset, 0, &result);
        }
    } else {
        std::snprintf(text + length, sizeof text - length,
                      "The board runs other clock speeds now, %d MHz and %d MHz; they were left as they are.",
                      driver::HzToMHz(coreHz), driver::HzToMHz(memHz));
    }
    // Told once a session; a journal whose clocks could not be put back
    // stays for the next start.
    if (restored)
        DeleteClockJournal();
    m_bJournalSettled = true;
    m_user.Tell(m_hWndOwner, text, UserPrompts::kInformation);
}

// A journal that could not be settled: the board may run its trial clocks,
// so the clocks before the test are taken as the current ones.
void CDisplayDriver::TakeClocksFromJournal()
{
    ClockJournal journal = {};
    if (ReadClockJournal(&journal) < 4 || !IsClockMHz(journal.oldCore) || !IsClockMHz(journal.oldMem))
        return;
    m_nCoreClock = m_nNewCoreClock = journal.oldCore;
    m_nMemClock = m_nNewMemClock = journal.oldMem;
}
