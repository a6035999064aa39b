// CDisplayDriver: the one object through which the program reads and
// changes the display driver.  It holds every setting twice, as the driver
// has it now (current) and as the user wants it (pending, "New"), reads both
// from the driver when the session is opened, and reaches the operating
// system only through the platform seam.
#pragma once

#include <cstdint>
#include <string>

#include <vector>

#include "driver/clock_math.h"
#include "driver/read_back.h"
#include "driver/rm_access.h"
#include "platform/platform.h"
#include "platform/user_prompts.h"

// Set when the user declined to switch the output device or to keep the
// switch; cleared when the user agreed to switch.  Read by the OK command.
extern bool g_bOutputSwitchDeclined;

class CDisplayDriver {
public:
    // The driver reaches the system through os and the user through user;
    // its questions and messages stand over hWndOwner.
    CDisplayDriver(platform::Platform& os, platform::UserPrompts& user, platform::Window hWndOwner);
    ~CDisplayDriver();
    CDisplayDriver(const CDisplayDriver&) = delete;
    CDisplayDriver& operator=(const CDisplayDriver&) = delete;

    // The driver session.
    bool Open(const char* deviceName);
    bool Verify(const char* deviceName);
    bool ReadHardwareInfo();
    bool ReadSettings();
    bool CaptureDefaultClocks(const char* hardwareKey, std::uint32_t* record, std::uint32_t* salt);
    int QueryRefreshRate();
    bool SetOutputMode(const std::uint32_t record[4]);
    std::string GetLastErrorText() const { return m_strLastError; }

    // Applying pending settings and switching the output device.
    bool ApplySettings();
    bool RemoveFromStartup(const char* valueName);
    bool SwitchOutputDevice();
    // Runs the pending clocks on the board for the length of the progress
    // dialog, then puts back the clocks it ran before, to the hertz; true
    // when the board took the final display reset.  A journal of the trial
    // is kept in the registry while the trial clocks are on the board.  A
    // longer run has more steps of the same length.
    bool TestClockSpeeds(int steps = platform::UserPrompts::kTestSteps);
    // After a test: whether the board ran the trial and did not survive it
    // (false for a pass and for a test that tested nothing), and the clocks
    // the board ran at its end, in MHz, as its clock generator made them
    // (0 when it could not tell).
    bool TestFailed() const { return m_bTestFailed; }
    driver::ClockPair TrialRan() const { return m_trialRan; }
    // After a test: the message of a restore the board refused (it may still
    // run the tested clocks), or empty when the old clocks are back.  The
    // journal stays until an apply writes clocks or the next start.
    const std::string& GetRestoreErrorText() const { return m_strRestoreError; }
    // Clocks that may be applied: the board's baseline, the current ones
    // (while a clock test's journal stands, those from before that test),
    // or the pair that passed the last test, until the next apply.
    bool ClocksMayBeApplied(int coreMHz, int memMHz) const;
    // Lets the next apply take the pair without a new test: a pair that
    // passed a test on this board before, or the clocks from before a run.
    void AcceptClocks(int coreMHz, int memMHz);
    static constexpr const char* kClockJournalError =
        "E6.10: Unable to record the clock test in the registry.";
    // The board answered a test's clock requests but did not run the trial
    // clocks, or a journal left standing could not be settled: the test
    // tested nothing, neither passed nor failed.
    static constexpr const char* kNothingTested =
        "The board did not take the clock speeds asked for; nothing was tested.";
    // An apply or a clock test finds another program changing the settings:
    // nothing was done.
    static constexpr const char* kSettingsBusy =
        "The display settings are being changed by another program.  Please try again when it has finished.";

    // After an apply that succeeded: what the board runs and the registry
    // holds where the apply wrote, told in a sentence for each difference;
    // empty when everything was taken as applied.
    std::string ReadBackApplied();
    // The clocks that failed a test, oldest first; a failed pair is
    // remembered by every failed test and every test found unfinished.
    std::vector<driver::ClockPair> FailedClocks();
    void RememberFailedClocks(int coreMHz, int memMHz);
    // The clocks that passed a test, oldest first; a pair that fails later
    // leaves the list.
    std::vector<driver::ClockPair> PassedClocks();
    void RememberPassedClocks(int coreMHz, int memMHz);
    // While set, an apply leaves the log-on entry and its clocks as they are
    // (a program run never changes what is applied at log-on).
    bool m_bLeaveStartupEntry = false;
    // When set, the clocks the log-on record gets instead of the current
    // ones (those from before a program run while it holds the clocks).
    int m_nLogOnCoreClock = 0, m_nLogOnMemClock = 0;

    // Registry helpers, rooted at m_hRootKey.
    bool ReadDword(const char* key, const char* value, std::uint32_t* data);
    bool ReadBinary(const char* key, const char* value, void* data, std::uint32_t size);
    bool ReadString(const char* key, const char* value, char* text, std::uint32_t size);
    // A value with its type and size; data may be null to learn them.
    bool ReadValue(const char* key, const char* value, std::uint32_t* type, void* data, std::uint32_t* size);
    bool WriteDword(const char* key, const char* value, std::uint32_t data);
    bool WriteBinary(const char* key, const char* value, const void* data, std::uint32_t size);
    bool WriteString(const char* key, const char* value, const char* text, std::uint32_t size);
    bool DeleteValue(const char* key, const char* value);

    // Resource-manager requests on this object's platform.
    std::uint32_t RmAllocRoot(std::uint32_t* client) { return driver::RmAllocRoot(m_os, client); }
    std::uint32_t RmAllocDevice(std::uint32_t client, std::uint32_t device,
                                std::uint32_t deviceClass, char* name)
    {
        return driver::RmAllocDevice(m_os, client, device, deviceClass, name);
    }
    std::uint32_t RmConfigGet(std::uint32_t client, std::uint32_t device, std::uint32_t item,
                              std::uint32_t* value)
    {
        return driver::RmConfigGet(m_os, client, device, item, value);
    }
    std::uint32_t RmConfigSet(std::uint32_t client, std::uint32_t device, std::uint32_t item,
                              std::uint32_t value, std::uint32_t* previous)
    {
        return driver::RmConfigSet(m_os, client, device, item, value, previous);
    }
    std::uint32_t RmConfigGetEx(std::uint32_t client, std::uint32_t device, std::uint32_t item,
                                void* reply, std::uint32_t replySize)
    {
        return driver::RmConfigGetEx(m_os, client, device, item, reply, replySize);
    }
    std::uint32_t RmFree(std::uint32_t client, std::uint32_t parent, std::uint32_t object)
    {
        return driver::RmFree(m_os, client, parent, object);
    }
    std::uint32_t RmCommitConfig(std::uint32_t client, std::uint32_t device, std::uint32_t flags)
    {
        return driver::RmCommitConfig(client, device, flags);
    }
    std::uint32_t GetPlatformId() { return driver::GetPlatformId(m_os); }

    // Accessors.
    std::uint16_t GetDefaultCoreClock() const { return m_wDefaultCoreClock; }
    std::uint16_t GetDefaultMemClock() const { return m_wDefaultMemClock; }
    int GetCoreClock() const { return m_nCoreClock; }
    int GetMemClock() const { return m_nMemClock; }
    std::uint16_t GetMaxCoreClock() const { return driver::UpperClockBound(m_wDefaultCoreClock); }
    std::uint16_t GetMaxMemClock() const { return driver::UpperClockBound(m_wDefaultMemClock); }
    std::uint16_t GetMinCoreClock() const { return driver::LowerClockBound(m_wDefaultCoreClock); }
    std::uint16_t GetMinMemClock() const { return driver::LowerClockBound(m_wDefaultMemClock); }
    int GetD3DFSAA() const { return m_nD3DFSAA; }
    int GetOpenGLFSAA() const { return m_nOpenGLFSAA; }
    bool GetOpenGLVSync() const { return m_bOpenGLVSync; }
    bool GetD3DVSync() const { return m_bD3DVSync; }
    bool GetApplyAtStartup() const { return m_bApplyAtStartup; }
    int GetOverlayMode() const { return m_nOverlayMode; }
    bool HasMonitor() const { return m_bHasMonitor; }
    bool HasTV() const { return m_bHasTV; }
    bool HasFlatPanel() const { return m_bHasFlatPanel; }

    // Setters of pending values.  A clock is refused unless it is above 0
    // MHz and its hertz fit the resource manager's 32 bits.
    static bool IsClockMHz(int mhz) { return mhz > 0 && mhz <= 4294; }
    bool SetNewCoreClock(int mhz)
    {
        if (!IsClockMHz(mhz))
            return false;
        m_nNewCoreClock = mhz;
        return true;
    }
    bool SetNewMemClock(int mhz)
    {
        if (!IsClockMHz(mhz))
            return false;
        m_nNewMemClock = mhz;
        return true;
    }
    bool SetNewOpenGLFSAA(int fsaa) { m_nNewOpenGLFSAA = fsaa; return true; }
    bool SetNewD3DFSAA(int fsaa) { m_nNewD3DFSAA = fsaa; return true; }
    bool SetNewD3DVSync(bool on) { m_bNewD3DVSync = on; return true; }
    bool SetNewOpenGLVSync(bool on) { m_bNewOpenGLVSync = on; return true; }
    bool SetNewOverlayMode(int mode) { m_nNewOverlayMode = mode; return true; }
    bool SetNewApplyAtStartup(bool on) { m_bNewApplyAtStartup = on; return true; }
    bool SetNewOutputDevice(int device);
    bool SetTVResolution(int choice);
    bool SetTVConnector(int connector) { m_nTVConnector = connector; return true; }

    // Identity and keys.
    platform::RegKey m_hRootKey = platform::kHKeyLocalMachine;
    char m_szAdapterKey[124] = {};
    std::string m_szTweakKey;
    std::uint16_t m_wDeviceID = 0;
    std::uint32_t m_dwClockSalt = 0;
    std::uint16_t m_wDefaultCoreClock = 0;
    std::uint16_t m_wDefaultMemClock = 0;
    bool m_bUseVSyncMode = false;

    // The settings record: current and pending.
    int m_nCoreClock = 0, m_nNewCoreClock = 0;
    int m_nMemClock = 0, m_nNewMemClock = 0;
    bool m_bApplyAtStartup = false, m_bNewApplyAtStartup = false;
    int m_nOpenGLFSAA = -1, m_nNewOpenGLFSAA = -1;
    bool m_bOpenGLVSync = false, m_bNewOpenGLVSync = false;
    bool m_bOpenGLZBuffer = false, m_bNewOpenGLZBuffer = false;
    int m_nD3DFSAA = 0, m_nNewD3DFSAA = 0;
    bool m_bD3DVSync = false, m_bNewD3DVSync = false;
    bool m_bD3DZBuffer = false, m_bNewD3DZBuffer = false;
    int m_nOverlayMode = 0, m_nNewOverlayMode = 0;
    int m_nAGPRate = 1, m_nNewAGPRate = 1;
    bool m_bFastWrites = false, m_bNewFastWrites = false;
    int m_nOutputDevice = 0, m_nNewOutputDevice = 0;

    // The session.
    platform::Window m_hWndOwner;
    char m_szDeviceName[100] = "\\\\.\\Display1";
    bool m_bByDeviceName = false;
    platform::DeviceContext m_hDC = 0;
    std::uint32_t m_hClient = 0;
    std::string m_strLastError = "None";
    bool m_bClocksTested = false;
    int m_nTestedCoreClock = 0, m_nTestedMemClock = 0;  // the pair that passed
    bool m_bTestFailed = false;
    driver::ClockPair m_trialRan = {};
    bool m_bHasMonitor = false, m_bHasTV = false, m_bHasFlatPanel = false;
    int m_nModeWidth = 0, m_nModeHeight = 0, m_nModeBitsPerPel = 0;
    int m_nModeRefresh = 0;
    int m_nTVWidth = 640, m_nTVHeight = 480, m_nTVBitsPerPel = 8;
    int m_nTVFormat = 5;
    int m_nTVConnector = 0;
    // The TV format block: its first integer is the TV format of device 2;
    // the rest belongs to the driver and is carried along unchanged.
    unsigned char m_TVFormatBlock[72] = {};

private:
    // The steps of ReadSettings.
    bool ReadBaselineClocks();
    void ReadStartupEntry();
    void ReadOpenGL();
    void ReadDirect3D();
    void ReadOverlay();
    void ReadAGPRate();

    // The phases of SwitchOutputDevice: the mode for the new device, then
    // the user's word on keeping it.
    struct OutputMode {
        std::uint32_t mode[4];  // width, height, bits per pixel, refresh rate
        int format;             // the TV format told to the driver
    };
    bool ChooseOutputMode(OutputMode* target);
    bool ChooseTVMode(OutputMode* target);
    void KeepOrUndoSwitch(const OutputMode& target);
    void DesktopMode(std::uint32_t mode[4]) const;

    // The steps of ApplySettings, in their order.  A failed step stores its
    // message and clears run.ok; the start-up entry and the final commit
    // are written only while run.ok holds.
    struct ApplyRun {
        bool ok = true;
        bool coreWritten = false, memWritten = false;  // the display is reset at the end
    };
    bool ApplyPending();
    bool HasPendingChanges() const;
    void StepFailed(ApplyRun& run, const char* message);
    void ApplyClocks(ApplyRun& run);
    void ApplyStartupEntry(ApplyRun& run);
    void ApplyFastWrites(ApplyRun& run);
    void ApplyOpenGL(ApplyRun& run);
    void ApplyDirect3D(ApplyRun& run);
    void ApplyOverlay(ApplyRun& run);
    void ApplyAGPRate(ApplyRun& run);
    void ApplyOutputDevice(ApplyRun& run);

    enum class DisplayCall { kDone, kNoLibrary, kNoFunction };
    // Loads USER32.DLL and changes the display mode (or, with no mode,
    // makes the driver re-read it) by device name or not, as verification
    // found; waits the given time before releasing the library.
    DisplayCall ChangeDisplayMode(const platform::DisplayMode* mode, std::uint32_t flags,
                                  std::uint32_t waitMs, long* result);
    // Makes the driver re-read its mode (no mode, CDS_RESET); false, with the
    // given message stored, when the library or the function is missing.
    bool ResetDisplay(const char* noLibrary, const char* noFunction, long* result);
    // Allocates the resource-manager client and its device; on failure
    // stores the message for the step that failed and frees what was made.
    bool Connect(const char* rootMessage, const char* deviceMessage);
    void SendOutputDevice(int device, int format);
    bool SetItem(std::uint32_t item, std::uint32_t value);
    bool SetClock(std::uint32_t item, int mhz) { return SetItem(item, driver::MHzToHz(mhz)); }
    // The journal of a running clock test: the clocks before it and on trial.
    struct ClockJournal {
        int oldCore, oldMem, trialCore, trialMem;
    };
    // The board's clocks in hertz, as it runs them.
    struct BoardClocks {
        std::uint32_t coreHz, memHz;
    };
    enum class JournalFound { kNone, kPartial, kDamaged, kWhole };
    bool WriteClockJournal(const ClockJournal& journal);
    JournalFound ReadClockJournal(ClockJournal* journal);
    void DeleteClockJournal();
    void SettleInterruptedTest();
    bool SettleStandingJournal();
    void TakeClocksFromJournal();
    BoardClocks ReadBoardClocks(const ClockJournal& journal, BoardClocks* read);
    bool ReadBoardHz(BoardClocks* clocks);
    // Whether the board runs the journal's trial clocks as it makes them,
    // rather than those it ran before; whether it runs the given clocks
    // rather than the trial ones, clock by clock; and, read now, whether it
    // left the trial clocks for the given.
    static bool RunsTrial(const ClockJournal& journal, const BoardClocks& before, const BoardClocks& board);
    static bool RunsRatherThanTrial(const ClockJournal& journal, const BoardClocks& board, int coreMHz, int memMHz);
    bool LeftTrialFor(const ClockJournal& journal, int coreMHz, int memMHz);
    bool EndTrial(const ClockJournal& journal, const BoardClocks& before, std::uint32_t trialClient);
    bool m_bJournalSettled = false;
    std::string m_strRestoreError;
    platform::DeviceContext MakeDisplayDC();
    std::vector<driver::ClockPair> ClockList(const char* value);
    void UpdateClockList(const char* value, int coreMHz, int memMHz, bool add);
    void Fail(const char* message) { m_strLastError = message; }

    // The registry values the last apply wrote, and which clocks it set.
    struct WrittenValue {
        std::string key, name;
        std::uint32_t type;
        std::vector<unsigned char> data;
    };
    bool Write(const char* key, const char* value, std::uint32_t type, const void* data, std::uint32_t size);
    std::vector<WrittenValue> m_written;
    bool m_bRecordWrites = false;
    bool m_bCoreClockApplied = false, m_bMemClockApplied = false;

    // The trial clocks run while the user watches the test's progress.
    class TrialClocks;
    void RunTrialClocks(std::uint32_t client, const BoardClocks& trial);

    platform::Platform& m_os;
    platform::UserPrompts& m_user;
};
