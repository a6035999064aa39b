// The operating system as the driver core sees it: one call for each Win32
// function the core makes, with the same arguments, results and error codes.
// Handles are opaque integers here, so no Windows header reaches the core.
//
// Implementations: the real one (win32/), the emulated adapter, which answers
// the calls only a display driver would answer and passes the rest on, and
// the test doubles.  Keep every implementation a thin translation: retries,
// fallbacks and messages belong to the driver core.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using Handle = std::uintptr_t;  // HKEY, HDC, HMODULE, HWND, a function address
using RegKey = Handle;
using DeviceContext = Handle;
using Module = Handle;
using Procedure = Handle;
using Window = Handle;

// Predefined registry root, with the value Windows gives it.
constexpr RegKey kHKeyLocalMachine = 0x80000002u;
// Sleep's time for ever (INFINITE).
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Registry status codes (Win32 error codes).
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidParameter = 87;
constexpr long kErrorMoreData = 234;

// Registry access rights, value types and options used by the core.
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegOptionNonVolatile = 0;

// Platform identifiers of GetVersionExA.
constexpr std::uint32_t kVerPlatformWin32Windows = 1;  // Windows 9x family
constexpr std::uint32_t kVerPlatformWin32Nt = 2;

// Same layout as OSVERSIONINFOA (148 bytes).
struct OsVersionInfo {
    std::uint32_t dwOSVersionInfoSize;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
    std::uint32_t dwBuildNumber;
    std::uint32_t dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfo) == 148, "OSVERSIONINFOA is 148 bytes");

// The part of a DEVMODEA that a display-mode change request fills in.
// dmSize is the size of the record the system is to read: 148, the
// DEVMODEA that Windows 98 and NT 4 know, whatever the headers' size.
constexpr std::uint16_t kDevModeSize = 148;
constexpr std::uint32_t kDmBitsPerPel = 0x00040000;
constexpr std::uint32_t kDmPelsWidth = 0x00080000;
constexpr std::uint32_t kDmPelsHeight = 0x00100000;
constexpr std::uint32_t kDmDisplayFrequency = 0x00400000;
struct DisplayMode {
    std::uint16_t dmSize;
    std::uint32_t dmFields;
    std::uint32_t dmBitsPerPel;
    std::uint32_t dmPelsWidth;
    std::uint32_t dmPelsHeight;
    std::uint32_t dmDisplayFrequency;
};

constexpr std::uint32_t kCdsUpdateRegistry = 0x00000001;
constexpr std::uint32_t kCdsReset = 0x40000000;
constexpr long kDispChangeSuccessful = 0;
constexpr long kDispChangeFailed = -1;
constexpr long kDispChangeBadMode = -2;
constexpr long kDispChangeBadFlags = -4;
constexpr long kDispChangeBadParam = -5;


class Platform {
public:
    virtual ~Platform() = default;

    // Registry (advapi32).
    virtual long RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                               std::uint32_t access, RegKey* result) = 0;
    // As Win32: data may be null to ask for type and size only; *size is the
    // buffer size on entry and the value's size on return.
    virtual long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                  void* data, std::uint32_t* size) = 0;
    virtual long RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                 std::uint32_t access, RegKey* result,
                                 std::uint32_t* disposition) = 0;
    virtual long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                const void* data, std::uint32_t size) = 0;
    virtual long RegDeleteValueA(RegKey key, const char* valueName) = 0;
    virtual long RegCloseKey(RegKey key) = 0;

    // Device contexts and escapes (gdi32, user32).  driver and device may be null.
    virtual DeviceContext CreateDCA(const char* driver, const char* device) = 0;
    virtual bool DeleteDC(DeviceContext dc) = 0;
    virtual DeviceContext GetScreenDC() = 0;  // GetDC(NULL)
    virtual int ReleaseScreenDC(DeviceContext dc) = 0;  // ReleaseDC(NULL, dc)
    virtual int ExtEscape(DeviceContext dc, int escape, int inputSize, const void* input,
                          int outputSize, void* output) = 0;

    // System (kernel32).
    virtual bool GetVersionExA(OsVersionInfo* info) = 0;
    virtual std::uint32_t GetTickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // The lock held by whichever program is changing the board's settings
    // (an apply, a clock test), so that two programs never change them at
    // once.  TryLockSettings does not wait: true when this process holds it
    // now; each true is matched by one UnlockSettings.
    virtual bool TryLockSettings() = 0;
    virtual void UnlockSettings() = 0;
    // A named mark that lives as long as the process that made it: the
    // owner of a program run.  MakeOwnerMark makes one for this process and
    // returns its name ("" when none can be made); OwnerMarkExists tells
    // whether the process that made a mark still runs.
    virtual std::string MakeOwnerMark() = 0;
    virtual bool OwnerMarkExists(const char* name) = 0;
    // The claim of the one program run there may be at a time, let go when
    // the process that holds it ends.  TryClaimRun does not wait: true when
    // this process holds it now; each true is matched by one ReleaseRun.
    virtual bool TryClaimRun() = 0;
    virtual void ReleaseRun() = 0;

    // Libraries: loading, looking up, and calling the two kinds of function
    // the core calls through a looked-up address.
    virtual Module LoadLibraryA(const char* name) = 0;
    virtual Procedure GetProcAddressA(Module module, const char* name) = 0;
    virtual Procedure GetProcAddressOrdinal(Module module, std::uint16_t ordinal) = 0;
    virtual bool FreeLibrary(Module module) = 0;
    // The resource-manager entry: void __stdcall entry(DWORD function, void* block).
    virtual void CallResourceManager(Procedure entry, std::uint32_t function, void* block) = 0;
    // ChangeDisplaySettingsExA(device, mode, NULL, flags, NULL).
    virtual long CallChangeDisplaySettingsEx(Procedure function, const char* device,
                                             const DisplayMode* mode, std::uint32_t flags) = 0;
    // ChangeDisplaySettingsA(mode, flags).
    virtual long CallChangeDisplaySettings(Procedure function, const DisplayMode* mode,
                                           std::uint32_t flags) = 0;
};

}  // namespace platform
