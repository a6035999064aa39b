// A test double of the whole operating system below the driver core: an
// in-memory registry that keeps every value's type and bytes as written and
// checks the access each key was opened with, device contexts that are
// counted, a chosen platform identifier and tick count, and message boxes
// that are recorded and answered from a script.  Any registry call can be
// made to fail.  It has no display driver: escapes answer 0.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/user_prompts.h"

namespace fake {

struct RegValue {
    std::uint32_t type;
    std::vector<unsigned char> data;
    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
};

struct RegCall {
    enum Op { kOpen, kQuery, kCreate, kSet, kDelete, kClose };
    Op op;
    std::string key;  // full path under HKEY_LOCAL_MACHINE
    std::string value;
    std::uint32_t access;  // the rights asked for, for opens and creates
};

struct MessageBoxCall {
    platform::Window owner;
    std::string text;
    std::string caption;
    unsigned type;
};

// The user, answering from a script: questions and messages are recorded as
// the message boxes the window would show, and each answer is taken from
// the front of the script (0 when it has run out, which is no Yes).
class FakeUser : public platform::UserPrompts {
public:
    std::deque<int> messageBoxAnswers;
    std::vector<MessageBoxCall> messageBoxes;
    bool Ask(platform::Window owner, const char* text, Icon icon) override;
    void Tell(platform::Window owner, const char* text, Icon icon) override;

    // The clock tests' progress, and what happens while it is shown.  As
    // the window's progress dialog does, the trial is called back when the
    // progress is shown and again when it is hidden.
    std::vector<platform::ClockTestRun> clockTestRuns;
    std::function<void(const platform::ClockTestRun&)> duringClockTest;
    std::function<void(platform::ClockTrial&)> whileShown;
    void ShowTestProgress(const platform::ClockTestRun& run, platform::ClockTrial& trial) override;
};

class FakeSystem : public platform::Platform, public FakeUser {
public:
    // The registry, addressed by full paths under HKEY_LOCAL_MACHINE
    // (letter case ignored, as Windows does).
    void PutKey(const std::string& key);
    void PutValue(const std::string& key, const std::string& name, std::uint32_t type,
                  const void* data, std::size_t size);
    void PutDword(const std::string& key, const std::string& name, std::uint32_t value);
    void PutString(const std::string& key, const std::string& name, const std::string& text);
    bool HasKey(const std::string& key) const;
    const RegValue* FindValue(const std::string& key, const std::string& name) const;
    // A REG_DWORD value's number; 0 when it is missing or of another type.
    std::uint32_t Dword(const std::string& key, const std::string& name) const;
    // The registry as "key\value" -> value, for comparing whole states.
    std::map<std::string, RegValue> Values() const;

    // Calls for which this returns true fail with ERROR_ACCESS_DENIED.
    std::function<bool(const RegCall&)> failRegistryWhen;
    std::vector<RegCall> registryCalls;
    int OpenKeys() const { return static_cast<int>(m_handles.size()); }

    std::uint32_t platformId = platform::kVerPlatformWin32Nt;
    std::uint32_t tickCount = 0x12345678;
    bool failCreateDC = false;
    int LiveDCs() const { return static_cast<int>(m_dcs.size()); }
    std::vector<std::string> createdDCs;  // "driver|device" of each CreateDCA
    std::vector<std::uint32_t> sleeps;


    long RegOpenKeyExA(platform::RegKey key, const char* subKey, std::uint32_t options,
                       std::uint32_t access, platform::RegKey* result) override;
    long RegQueryValueExA(platform::RegKey key, const char* valueName, std::uint32_t* type,
                          void* data, std::uint32_t* size) override;
    long RegCreateKeyExA(platform::RegKey key, const char* subKey, std::uint32_t options,
                         std::uint32_t access, platform::RegKey* result,
                         std::uint32_t* disposition) override;
    long RegSetValueExA(platform::RegKey key, const char* valueName, std::uint32_t type,
                        const void* data, std::uint32_t size) override;
    long RegDeleteValueA(platform::RegKey key, const char* valueName) override;
    long RegCloseKey(platform::RegKey key) override;

    platform::DeviceContext CreateDCA(const char* driver, const char* device) override;
    bool DeleteDC(platform::DeviceContext dc) override;
    platform::DeviceContext GetScreenDC() override;
    int ReleaseScreenDC(platform::DeviceContext dc) override;
    int ExtEscape(platform::DeviceContext, int, int, const void*, int, void*) override { return 0; }

    bool GetVersionExA(platform::OsVersionInfo* info) override;
    std::uint32_t GetTickCount() override { return tickCount; }
    // A sleep for ever is a machine that hangs: MachineHung unwinds the
    // test's call as a restart ends the process.
    struct MachineHung {};
    void Sleep(std::uint32_t milliseconds) override
    {
        if (milliseconds == platform::kInfinite)
            throw MachineHung{};
        sleeps.push_back(milliseconds);
    }
    // The settings lock: held by another program while lockedElsewhere; how
    // deep this process holds it now.
    bool lockedElsewhere = false;
    int settingsLocks = 0;
    bool TryLockSettings() override { return !lockedElsewhere && ++settingsLocks > 0; }
    void UnlockSettings() override { --settingsLocks; }
    // Owner marks of live processes; a test ends a process by erasing its mark.
    // Each mark has a name of its own, as each process does.
    std::set<std::string> ownerMarks;
    int marksMade = 0;
    std::string MakeOwnerMark() override
    {
        const std::string name = "Marovex run " + std::to_string(++marksMade);
        ownerMarks.insert(name);
        return name;
    }
    bool OwnerMarkExists(const char* name) override { return ownerMarks.count(name) != 0; }
    // The run claim: held by another process while runClaimedElsewhere; how
    // deep this process holds it now.
    bool runClaimedElsewhere = false;
    int runClaims = 0;
    bool TryClaimRun() override { return !runClaimedElsewhere && ++runClaims > 0; }
    void ReleaseRun() override { --runClaims; }

    platform::Module LoadLibraryA(const char*) override { return 0; }
    platform::Procedure GetProcAddressA(platform::Module, const char*) override { return 0; }
    platform::Procedure GetProcAddressOrdinal(platform::Module, std::uint16_t) override { return 0; }
    bool FreeLibrary(platform::Module) override { return false; }
    void CallResourceManager(platform::Procedure, std::uint32_t, void*) override {}
    long CallChangeDisplaySettingsEx(platform::Procedure, const char*, const platform::DisplayMode*,
                                     std::uint32_t) override
    {
        return platform::kDispChangeFailed;
    }
    long CallChangeDisplaySettings(platform::Procedure, const platform::DisplayMode*,
                                   std::uint32_t) override
    {
        return platform::kDispChangeFailed;
    }


private:
    struct OpenKey {
        std::string path;
        std::uint32_t access;
    };
    bool Fails(RegCall::Op op, const std::string& key, const char* value, std::uint32_t access = 0);
    bool ResolvePath(platform::RegKey key, const char* subKey, std::string* path) const;

    std::map<std::string, std::map<std::string, RegValue>> m_keys;  // lower-case paths and names
    std::map<platform::RegKey, OpenKey> m_handles;
    platform::RegKey m_nextHandle = 0x1000;
    std::set<platform::DeviceContext> m_dcs;
    platform::DeviceContext m_nextDC = 0xDC000001u;
};

}  // namespace fake
