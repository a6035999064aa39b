// ApplySettings: writes every pending setting that differs from its current
// value to the driver, in a fixed order of steps.  A step that succeeds
// makes its current value equal to the pending one; a step that fails
// leaves it, keeps its message, and the apply goes on.  Only a
// resource-manager connection that cannot be made stops it at once, and a
// display-settings function that cannot be found stops it at its very end.
#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "driver/settings_lock.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace {

std::uint32_t D3DQuality(int fsaa)
{
    switch (fsaa) {
    case 2: return 0;
    case 4: return 3;
    default: return 5;
    }
}

}  // namespace

bool CDisplayDriver::RemoveFromStartup(const char* valueName)
{
    return DeleteValue(layout::kRunKey, valueName);
}

bool CDisplayDriver::HasPendingChanges() const
{
    return m_nNewCoreClock != m_nCoreClock || m_nNewMemClock != m_nMemClock
           || m_bNewApplyAtStartup != m_bApplyAtStartup || m_bNewFastWrites != m_bFastWrites
           || m_nNewOpenGLFSAA != m_nOpenGLFSAA || m_bNewOpenGLVSync != m_bOpenGLVSync
           || m_bNewOpenGLZBuffer != m_bOpenGLZBuffer || m_nNewD3DFSAA != m_nD3DFSAA
           || m_bNewD3DVSync != m_bD3DVSync || m_bNewD3DZBuffer != m_bD3DZBuffer
           || m_nNewOverlayMode != m_nOverlayMode || m_nNewAGPRate != m_nAGPRate
           || m_nNewOutputDevice != m_nOutputDevice || !m_strRestoreError.empty();
}

// A passed test lets the apply after it take its clocks, and no later one.
bool CDisplayDriver::ApplySettings()
{
    const bool applied = ApplyPending();
    m_bClocksTested = false;
    return applied;
}

bool CDisplayDriver::ApplyPending()
{
    m_written.clear();
    m_bCoreClockApplied = m_bMemClockApplied = false;
    if (!HasPendingChanges())
        return true;  // not even the start-up entry is touched
    const SettingsLock lock(m_os);
    if (!lock.Held()) {
        Fail(kSettingsBusy);
        return false;
    }
    m_bApplyAtStartup = m_bNewApplyAtStartup;
    if (!Connect("E5.1: Invalid video driver allocation.", "E5.2: Invalid video driver device ID."))
        return false;

    ApplyRun run;
    m_bRecordWrites = true;
    ApplyClocks(run);
    if (!m_bLeaveStartupEntry)
        ApplyStartupEntry(run);
    ApplyFastWrites(run);
    ApplyOpenGL(run);
    ApplyDirect3D(run);
    ApplyOverlay(run);
    ApplyAGPRate(run);
    ApplyOutputDevice(run);
    RmFree(m_hClient, 0, m_hClient);
    m_bRecordWrites = false;
    m_bCoreClockApplied = run.coreWritten;
    m_bMemClockApplied = run.memWritten;

    // New clocks take effect when the driver re-reads its mode.
    long result = 0;
    if ((run.coreWritten || run.memWritten)
        && !ResetDisplay("E5.23: Unable to load USER32.DLL library.", "E5.24: Unable to change display setting.",
                         &result))
        return false;
    return run.ok;
}

void CDisplayDriver::StepFailed(ApplyRun& run, const char* message)
{
    Fail(message);
    run.ok = false;
}

// Only clocks that may go on the board.  The board then runs what the user
// chose, so a journal left standing (a restore the board refused) ends;
// until then the board may run the trial clocks, and both clocks are
// written whether they changed or not.
void CDisplayDriver::ApplyClocks(ApplyRun& run)
{
    if (!ClocksMayBeApplied(m_nNewCoreClock, m_nNewMemClock))
        return;
    ClockJournal journal = {};
    const JournalFound found = ReadClockJournal(&journal);
    const bool trialLeft = found == JournalFound::kWhole;
    // The clocks go on the board as a pair: the one that does not change is
    // written too when the board no longer runs it (another program changed
    // it since it was read) or cannot tell.
    auto elsewhere = [&](std::uint32_t item, int mhz) {
        std::uint32_t hz = 0;
        return RmConfigGet(m_hClient, nv::kDeviceHandle, item, &hz) != 0 || driver::HzToMHz(hz) != mhz;
    };
    const bool coreChanged = m_nNewCoreClock != m_nCoreClock, memChanged = m_nNewMemClock != m_nMemClock;
    const bool writeCore = coreChanged || trialLeft || (memChanged && elsewhere(nv::kItemCoreClock, m_nCoreClock));
    const bool writeMem = memChanged || trialLeft || (coreChanged && elsewhere(nv::kItemMemClock, m_nMemClock));
    if (!writeCore && !writeMem)
        return;
    // Set one after the other, two clocks that change run a pair of one of
    // each in between: the apply keeps a journal of the pair before it
    // until both are set, as a test does.
    // The journal is the program's own record, no setting to read back.
    const bool journaled = writeCore && writeMem && !trialLeft;
    const bool recording = m_bRecordWrites;
    m_bRecordWrites = false;
    const bool recorded = !journaled
                          || (WriteClockJournal({m_nCoreClock, m_nMemClock, m_nNewCoreClock, m_nNewMemClock})
                              && WriteDword(layout::kClockJournalKey, layout::kJournalApplying, 1));
    m_bRecordWrites = recording;
    if (!recorded) {
        DeleteClockJournal();
        StepFailed(run, kClockJournalError);
        return;
    }
    if (writeCore) {
        if (SetClock(nv::kItemCoreClock, m_nNewCoreClock)) {
            m_nCoreClock = m_nNewCoreClock;
            run.coreWritten = true;
        } else {
            StepFailed(run, "E5.3: Unable to set the video core clock speed.");
        }
    }
    if (writeMem) {
        if (SetClock(nv::kItemMemClock, m_nNewMemClock)) {
            m_nMemClock = m_nNewMemClock;
            run.memWritten = true;
        } else {
            StepFailed(run, "E5.4: Unable to set the video memory clock speed.");
        }
    }
    // A clock refused keeps the journal: the next start puts the pair
    // before the apply back.
    if (run.ok && (!trialLeft || LeftTrialFor(journal, m_nNewCoreClock, m_nNewMemClock))) {
        if (found != JournalFound::kNone || journaled)
            DeleteClockJournal();
        m_strRestoreError.clear();
    }
}

// The log-on entry with the clocks it is to set, written only when every
// step so far succeeded; or the entry removed.
void CDisplayDriver::ApplyStartupEntry(ApplyRun& run)
{
    if (!m_bApplyAtStartup) {
        if (!RemoveFromStartup(layout::kStartupValue))
            StepFailed(run, "E5.6: Unable to remove the video clock settings from startup.");
        return;
    }
    if (!run.ok)
        return;
    const std::string hardwareKey = layout::SubKey(m_szTweakKey, layout::kHardware);
    const int core = m_nLogOnCoreClock ? m_nLogOnCoreClock : m_nCoreClock;
    const int mem = m_nLogOnMemClock ? m_nLogOnMemClock : m_nMemClock;
    const std::uint32_t record = driver::ScrambleClocks(static_cast<std::uint16_t>(core),
                                                        static_cast<std::uint16_t>(mem), m_wDeviceID, m_dwClockSalt);
    // "Krusty" decodes only with the salt it was scrambled with: the stored
    // "Homer" is made that salt first when it is not.
    std::uint32_t storedSalt = 0;
    const bool saltStored = ReadDword(hardwareKey.c_str(), layout::kClockSalt, &storedSalt)
                            && storedSalt == m_dwClockSalt;
    if (WriteString(layout::kRunKey, layout::kStartupValue, layout::kStartupCommand,
                    static_cast<std::uint32_t>(std::strlen(layout::kStartupCommand) + 1))
        && (saltStored || WriteDword(hardwareKey.c_str(), layout::kClockSalt, m_dwClockSalt))
        && WriteDword(hardwareKey.c_str(), layout::kStartupRecord, record))
        WriteDword(hardwareKey.c_str(), layout::kStartupFlag, 1);
    else
        StepFailed(run, "E5.5: Unable to apply the video clock settings at startup.");
}

void CDisplayDriver::ApplyFastWrites(ApplyRun& run)
{
    if (m_bNewFastWrites == m_bFastWrites)
        return;
    if (SetItem(nv::kItemFastWrites, m_bNewFastWrites ? 1 : 0))
        m_bFastWrites = m_bNewFastWrites;
    else
        StepFailed(run, m_bNewFastWrites ? "E5.7: Unable to turn the AGP fast writes on."
                                         : "E5.8: Unable to turn the AGP fast writes off.");
}

void CDisplayDriver::ApplyOpenGL(ApplyRun& run)
{
    const std::string key = layout::SubKey(m_szAdapterKey, layout::kOpenGL);
    if (m_nNewOpenGLFSAA != m_nOpenGLFSAA) {
        if (m_nNewOpenGLFSAA == -1) {
            if (WriteDword(key.c_str(), layout::kOpenGLFSAA, 0)) {
                DeleteValue(key.c_str(), layout::kOpenGLFSAAQuality);
                m_nOpenGLFSAA = m_nNewOpenGLFSAA;
            } else {
                StepFailed(run, "E5.9: Unable to enable FSAA for OpenGL.");
            }
        } else if (!WriteDword(key.c_str(), layout::kOpenGLFSAA, 1)) {
            StepFailed(run, "CVC5.10: Unable to enable FSAA for OpenGL.");
        } else if (!WriteDword(key.c_str(), layout::kOpenGLFSAAQuality, static_cast<std::uint32_t>(m_nNewOpenGLFSAA))) {
            StepFailed(run, "E5.11: Unable to set the FSAA quality value for OpenGL.");
        } else {
            m_nOpenGLFSAA = m_nNewOpenGLFSAA;
        }
    }
    if (m_bNewOpenGLVSync != m_bOpenGLVSync) {
        if (WriteDword(key.c_str(), layout::kOpenGLSwapInterval, m_bNewOpenGLVSync ? 1 : 0xFFFFFFFFu))
            m_bOpenGLVSync = m_bNewOpenGLVSync;
        else
            StepFailed(run, "E5.12: Unable to enable Vsync for OpenGL.");
    }
    if (m_bNewOpenGLZBuffer != m_bOpenGLZBuffer) {
        if (WriteDword(key.c_str(), layout::kOpenGLRenderQuality, m_bNewOpenGLZBuffer ? 16 : 0))
            m_bOpenGLZBuffer = m_bNewOpenGLZBuffer;
        else
            StepFailed(run, "E5.13: Unable to enable ZBuffer for OpenGL .");
    }
}

// Older devices have no FSAA setting to write.
void CDisplayDriver::ApplyDirect3D(ApplyRun& run)
{
    const std::string key = layout::SubKey(m_szAdapterKey, layout::kDirect3D);
    if (m_nNewD3DFSAA != m_nD3DFSAA && m_wDeviceID >= 0x100) {
        const bool on = m_nNewD3DFSAA > 0;
        bool written = WriteDword(key.c_str(), layout::kD3DAntialias, on ? 2 : 0);
        if (written)
            written = on ? WriteDword(key.c_str(), layout::kD3DAntialiasQuality, D3DQuality(m_nNewD3DFSAA))
                         : DeleteValue(key.c_str(), layout::kD3DAntialiasQuality);
        if (written)
            m_nD3DFSAA = m_nNewD3DFSAA;
        else
            StepFailed(run, "E5.14: Unable to set the FSAA quality value for DirectX.");
    }
    if (m_bNewD3DVSync != m_bD3DVSync) {
        const bool written = m_bUseVSyncMode ? WriteDword(key.c_str(), layout::kD3DVSyncMode, m_bNewD3DVSync ? 2 : 0)
                                             : WriteDword(key.c_str(), layout::kD3DVSyncEnable, m_bNewD3DVSync ? 1 : 0);
        if (written)
            m_bD3DVSync = m_bNewD3DVSync;
        else
            StepFailed(run, m_bUseVSyncMode ? "E5.15: Unable to enable VSynch for DirectX."
                                            : "E5.16: Unable to enable VSynch for DirectX.");
    }
    if (m_bNewD3DZBuffer != m_bD3DZBuffer) {
        if (WriteDword(key.c_str(), layout::kD3DValidateZ, m_bNewD3DZBuffer ? 2 : 0))
            m_bD3DZBuffer = m_bNewD3DZBuffer;
        else
            StepFailed(run, "E5.17: Unable to enable ZBuffer for DirectX.");
    }
}

void CDisplayDriver::ApplyOverlay(ApplyRun& run)
{
    if (m_nNewOverlayMode == m_nOverlayMode)
        return;
    const std::string key = layout::SubKey(m_szAdapterKey, layout::kDirectDraw);
    if (WriteDword(key.c_str(), layout::kOverlayMode, static_cast<std::uint32_t>(m_nNewOverlayMode)))
        m_nOverlayMode = m_nNewOverlayMode;
    else
        StepFailed(run, "E5.18: Unable to set the Overlay setting.");
}

// One switch for 2x, another for 4x, none for 1x.
void CDisplayDriver::ApplyAGPRate(ApplyRun& run)
{
    if (m_nNewAGPRate == m_nAGPRate)
        return;
    bool written = true;
    if (m_nNewAGPRate == 1) {
        DeleteValue(layout::kGlobalSystemKey, layout::kAGP4x);
        written = DeleteValue(layout::kGlobalSystemKey, layout::kAGP2x);
    } else if (m_nNewAGPRate == 2) {
        DeleteValue(layout::kGlobalSystemKey, layout::kAGP4x);
        written = WriteDword(layout::kGlobalSystemKey, layout::kAGP2x, 1);
    } else if (m_nNewAGPRate == 4) {
        DeleteValue(layout::kGlobalSystemKey, layout::kAGP2x);
        written = WriteDword(layout::kGlobalSystemKey, layout::kAGP4x, 1);
    }
    if (written)
        m_nAGPRate = m_nNewAGPRate;
    else
        StepFailed(run, "E5.19: Unable to set the AGP transfer rate.");
}

// The output device, then the configuration is committed when every step
// so far succeeded.  The switch commits the current device itself, and only
// when the user keeps it.
void CDisplayDriver::ApplyOutputDevice(ApplyRun& run)
{
    if (m_nNewOutputDevice != m_nOutputDevice) {
        if (!SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nNewOutputDevice)))
            StepFailed(run, "E5.20: Unable to switch output devices.");
        if (!SwitchOutputDevice()) {
            SetItem(nv::kItemOutputDevice, static_cast<std::uint32_t>(m_nOutputDevice));
            StepFailed(run, "E5.21: Unable to switch output devices.");
            return;
        }
    }
    if (run.ok && RmCommitConfig(m_hClient, nv::kDeviceHandle, 1) != 0)
        StepFailed(run, "E5.22: Unable to configure settings.");
}
