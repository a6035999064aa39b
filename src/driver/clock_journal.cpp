// The journal of a running clock test.  Before the trial clocks go on the
// board, the clocks before it and the trial clocks are written to the
// program's own key; once the old clocks are back the journal is deleted.
// A journal found when the driver session is first opened therefore means
// that a test never ended (the process was killed, crashed, or the machine
// hung and was restarted), or that the board refused the old clocks back.
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "platform/nv_protocol.h"

using namespace platform;

// Written into an empty key: nothing of an earlier journal stays beside it.
bool CDisplayDriver::WriteClockJournal(const ClockJournal& journal)
{
    DeleteClockJournal();
    const int values[4] = {journal.oldCore, journal.oldMem, journal.trialCore, journal.trialMem};
    for (int i = 0; i < 4; ++i)
        if (!WriteDword(layout::kClockJournalKey, layout::kJournalValues[i], static_cast<std::uint32_t>(values[i])))
            return false;
    return true;
}

// A whole journal has all four values, each a REG_DWORD, each pair within
// the clock sliders' range; a journal with some of them missing was cut
// short before any clock was set; anything else was damaged.
CDisplayDriver::JournalFound CDisplayDriver::ReadClockJournal(ClockJournal* journal)
{
    RegKey key = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, layout::kClockJournalKey, 0, kKeyQueryValue, &key) != kErrorSuccess)
        return JournalFound::kNone;
    int* values[4] = {&journal->oldCore, &journal->oldMem, &journal->trialCore, &journal->trialMem};
    int present = 0;
    bool sound = true;
    for (std::size_t i = 0; i != std::size(values); ++i) {
        unsigned char data[8] = {};
        std::uint32_t type = 0, size = sizeof data;
        const long read = m_os.RegQueryValueExA(key, layout::kJournalValues[i], &type, data, &size);
        if (read == kErrorFileNotFound)
            continue;
        ++present;
        std::uint32_t mhz = 0;
        std::memcpy(&mhz, data, sizeof mhz);
        // A clock beyond the sliders' range is judged below, whatever its size.
        sound = sound && read == kErrorSuccess && type == kRegDword && size == sizeof mhz;
        *values[i] = sound ? static_cast<int>(mhz) : 0;
    }
    m_os.RegCloseKey(key);
    if (present == 0)
        return JournalFound::kNone;
    if (present < 4)
        return JournalFound::kPartial;
    auto inRange = [](int mhz, int low, int high) { return mhz >= low && mhz <= high; };
    const bool core = inRange(journal->oldCore, GetMinCoreClock(), GetMaxCoreClock())
                      && inRange(journal->trialCore, GetMinCoreClock(), GetMaxCoreClock());
    const bool mem = inRange(journal->oldMem, GetMinMemClock(), GetMaxMemClock())
                     && inRange(journal->trialMem, GetMinMemClock(), GetMaxMemClock());
    return sound && core && mem && m_wDefaultCoreClock != 0 ? JournalFound::kWhole : JournalFound::kDamaged;
}

void CDisplayDriver::DeleteClockJournal()
{
    for (const char* value : layout::kJournalValues)
        DeleteValue(layout::kClockJournalKey, value);
    DeleteValue(layout::kClockJournalKey, layout::kJournalTestPassed);
    DeleteValue(layout::kClockJournalKey, layout::kJournalApplying);
}

// Runs inside the session's connection, once the board's clocks and the
// baseline are known: the journal's clocks are checked against the range.
void CDisplayDriver::SettleInterruptedTest()
{
    ClockJournal journal = {};
    const JournalFound found = ReadClockJournal(&journal);
    if (found != JournalFound::kWhole) {
        // Written only in part, the test ended before any clock was set.
        DeleteClockJournal();
        m_bJournalSettled = true;
        if (found != JournalFound::kNone)
            m_user.Tell(m_hWndOwner, "A damaged record of a clock test was found and removed; no clock speed was changed.",
                        UserPrompts::kInformation);
        return;
    }
    std::uint32_t passed = 0, applying = 0;
    const bool testPassed = ReadDword(layout::kClockJournalKey, layout::kJournalTestPassed, &passed) && passed == 1;
    const bool apply = ReadDword(layout::kClockJournalKey, layout::kJournalApplying, &applying) && applying == 1;
    if (!testPassed && !apply)
        RememberFailedClocks(journal.trialCore, journal.trialMem);
    BoardClocks board = {};
    if (!ReadBoardHz(&board))
        return;  // the board cannot tell: the journal waits for the next session
    // An apply cut short leaves the board at the pair before it or the one
    // applied, which may both stay, or at one clock of each, which goes.
    const BoardClocks oldHz = {driver::MHzToHz(journal.oldCore), driver::MHzToHz(journal.oldMem)};
    if (apply && (RunsTrial(journal, oldHz, board) || RunsRatherThanTrial(journal, board, journal.oldCore, journal.oldMem))) {
        DeleteClockJournal();
        m_bJournalSettled = true;
        return;
    }

    char text[320];
    int length = std::snprintf(text, sizeof text,
                               apply        ? "An apply of %d MHz core and %d MHz memory did not finish. "
                               : testPassed ? "The clock test of %d MHz core and %d MHz memory could not put the clock "
                                              "speeds before it back. "
                                            : "The clock test of %d MHz core and %d MHz memory did not finish. ",
                               journal.trialCore, journal.trialMem);
    const bool onTrial = !RunsRatherThanTrial(journal, board, journal.oldCore, journal.oldMem);
    bool restored = true;
    if (onTrial) {
        restored = SetClock(nv::kItemCoreClock, journal.oldCore);
        restored = SetClock(nv::kItemMemClock, journal.oldMem) && restored;
        restored = restored && LeftTrialFor(journal, journal.oldCore, journal.oldMem);
        std::snprintf(text + length, sizeof text - length,
                      restored ? "The clock speeds before it, %d MHz and %d MHz, were restored."
                               : "The clock speeds before it, %d MHz and %d MHz, could not be restored; "
                                 "please restart the computer.",
                      journal.oldCore, journal.oldMem);
        if (restored) {
            long result = 0;
            ChangeDisplayMode(nullptr, kCdsReset, 0, &result);
            m_nCoreClock = m_nNewCoreClock = journal.oldCore;
            m_nMemClock = m_nNewMemClock = journal.oldMem;
        }
    } else {
        std::snprintf(text + length, sizeof text - length,
                      "The board runs other clock speeds now, %d MHz and %d MHz; they were left as they are.",
                      driver::HzToMHz(board.coreHz), driver::HzToMHz(board.memHz));
    }
    // Told once a session; a journal whose clocks could not be put back
    // stays for the next start.
    if (restored)
        DeleteClockJournal();
    m_bJournalSettled = true;
    m_user.Tell(m_hWndOwner, text, UserPrompts::kInformation);
}

// Inside a test's lock and connection: true when no journal stands, or
// the one that stood was settled.  The pending clocks stay the test's.
bool CDisplayDriver::SettleStandingJournal()
{
    ClockJournal standing = {};
    if (ReadClockJournal(&standing) == JournalFound::kNone)
        return true;
    const int pendingCore = m_nNewCoreClock, pendingMem = m_nNewMemClock;
    SettleInterruptedTest();
    m_nNewCoreClock = pendingCore;
    m_nNewMemClock = pendingMem;
    return ReadClockJournal(&standing) == JournalFound::kNone;
}

// A journal that could not be settled: the board may run its trial clocks,
// so the clocks before the test are taken as the current ones.
void CDisplayDriver::TakeClocksFromJournal()
{
    ClockJournal journal = {};
    if (ReadClockJournal(&journal) != JournalFound::kWhole)
        return;
    m_nCoreClock = m_nNewCoreClock = journal.oldCore;
    m_nMemClock = m_nNewMemClock = journal.oldMem;
}
