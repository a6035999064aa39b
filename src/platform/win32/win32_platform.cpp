#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

HKEY ToKey(RegKey key) { return reinterpret_cast<HKEY>(key); }
HDC ToDC(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }
HMODULE ToModule(Module module) { return reinterpret_cast<HMODULE>(module); }

// A DEVMODEA carrying only the fields that a mode change request sets.  The
// system reads as many bytes as dmSize says: the request's own size.
DEVMODEA ToDevMode(const DisplayMode& mode)
{
    static_assert(offsetof(DEVMODEA, dmDisplayFrequency) + sizeof(DWORD) <= kDevModeSize,
                  "the old record holds every field a request sets");
    DEVMODEA devMode;
    std::memset(&devMode, 0, sizeof devMode);
    devMode.dmSize = mode.dmSize;
    devMode.dmFields = mode.dmFields;
    devMode.dmBitsPerPel = mode.dmBitsPerPel;
    devMode.dmPelsWidth = mode.dmPelsWidth;
    devMode.dmPelsHeight = mode.dmPelsHeight;
    devMode.dmDisplayFrequency = mode.dmDisplayFrequency;
    return devMode;
}

}  // namespace

long Win32Platform::RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                  std::uint32_t access, RegKey* result)
{
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyExA(ToKey(key), subKey, options, access, &opened);
    *result = reinterpret_cast<RegKey>(opened);
    return status;
}

long Win32Platform::RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                     void* data, std::uint32_t* size)
{
    DWORD valueType = 0;
    DWORD valueSize = size ? *size : 0;
    LONG status = ::RegQueryValueExA(ToKey(key), valueName, nullptr, &valueType,
                                     static_cast<BYTE*>(data), size ? &valueSize : nullptr);
    if (type)
        *type = valueType;
    if (size)
        *size = valueSize;
    return status;
}

long Win32Platform::RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                    std::uint32_t access, RegKey* result,
                                    std::uint32_t* disposition)
{
    HKEY created = nullptr;
    DWORD how = 0;
    LONG status = ::RegCreateKeyExA(ToKey(key), subKey, 0, nullptr, options, access, nullptr,
                                    &created, &how);
    *result = reinterpret_cast<RegKey>(created);
    if (disposition)
        *disposition = how;
    return status;
}

long Win32Platform::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                   const void* data, std::uint32_t size)
{
    return ::RegSetValueExA(ToKey(key), valueName, 0, type, static_cast<const BYTE*>(data), size);
}

long Win32Platform::RegDeleteValueA(RegKey key, const char* valueName)
{
    return ::RegDeleteValueA(ToKey(key), valueName);
}

long Win32Platform::RegCloseKey(RegKey key)
{
    return ::RegCloseKey(ToKey(key));
}

DeviceContext Win32Platform::CreateDCA(const char* driver, const char* device)
{
    return reinterpret_cast<DeviceContext>(::CreateDCA(driver, device, nullptr, nullptr));
}

bool Win32Platform::DeleteDC(DeviceContext dc)
{
    return ::DeleteDC(ToDC(dc)) != FALSE;
}

DeviceContext Win32Platform::GetScreenDC()
{
    return reinterpret_cast<DeviceContext>(::GetDC(nullptr));
}

int Win32Platform::ReleaseScreenDC(DeviceContext dc)
{
    return ::ReleaseDC(nullptr, ToDC(dc));
}

int Win32Platform::ExtEscape(DeviceContext dc, int escape, int inputSize, const void* input,
                             int outputSize, void* output)
{
    return ::ExtEscape(ToDC(dc), escape, inputSize, static_cast<LPCSTR>(input), outputSize,
                       static_cast<LPSTR>(output));
}

bool Win32Platform::GetVersionExA(OsVersionInfo* info)
{
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExA(&version))
        return false;
    static_assert(sizeof version == sizeof *info, "same layout");
    std::memcpy(info, &version, sizeof version);
    return true;
}

std::uint32_t Win32Platform::GetTickCount()
{
    return ::GetTickCount();
}

void Win32Platform::Sleep(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

// A named mutex, shared by the window and the console program.  The system
// releases it when its holder ends, however it ends; the next taker then
// gets it as abandoned, which is as good as free.  No backslash in the
// name: Windows 98 and NT 4 know no name spaces.
// A named mutex, made at the first use, taken without waiting; the system
// lets it go, abandoned, when its holder ends.  Without a mutex to share
// through, the user is not locked out.
static bool TryHold(void** mutex, const char* name)
{
    if (!*mutex)
        *mutex = ::CreateMutexA(nullptr, FALSE, name);
    if (!*mutex)
        return true;
    const DWORD wait = ::WaitForSingleObject(*mutex, 0);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

bool Win32Platform::TryLockSettings()
{
    return TryHold(&m_settingsLock, "Marovex settings");
}

void Win32Platform::UnlockSettings()
{
    ::ReleaseMutex(m_settingsLock);
}

bool Win32Platform::TryClaimRun()
{
    return TryHold(&m_runClaim, "Marovex program run");
}

void Win32Platform::ReleaseRun()
{
    ::ReleaseMutex(m_runClaim);
}

// A named mutex kept open until the process ends, named after the process.
std::string Win32Platform::MakeOwnerMark()
{
    char name[40];
    std::snprintf(name, sizeof name, "Marovex run %lu", static_cast<unsigned long>(::GetCurrentProcessId()));
    return ::CreateMutexA(nullptr, FALSE, name) ? std::string(name) : std::string();
}

bool Win32Platform::OwnerMarkExists(const char* name)
{
    HANDLE mark = ::OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!mark)
        return false;
    ::CloseHandle(mark);
    return true;
}

Module Win32Platform::LoadLibraryA(const char* name)
{
    return reinterpret_cast<Module>(::LoadLibraryA(name));
}

Procedure Win32Platform::GetProcAddressA(Module module, const char* name)
{
    return reinterpret_cast<Procedure>(::GetProcAddress(ToModule(module), name));
}

Procedure Win32Platform::GetProcAddressOrdinal(Module module, std::uint16_t ordinal)
{
    return reinterpret_cast<Procedure>(::GetProcAddress(ToModule(module), MAKEINTRESOURCEA(ordinal)));
}

bool Win32Platform::FreeLibrary(Module module)
{
    return ::FreeLibrary(ToModule(module)) != FALSE;
}

void Win32Platform::CallResourceManager(Procedure entry, std::uint32_t function, void* block)
{
    using Entry = void(WINAPI*)(DWORD, void*);
    reinterpret_cast<Entry>(entry)(function, block);
}

long Win32Platform::CallChangeDisplaySettingsEx(Procedure function, const char* device,
                                                const DisplayMode* mode, std::uint32_t flags)
{
    using Function = LONG(WINAPI*)(LPCSTR, DEVMODEA*, HWND, DWORD, LPVOID);
    DEVMODEA devMode;
    if (mode)
        devMode = ToDevMode(*mode);
    return reinterpret_cast<Function>(function)(device, mode ? &devMode : nullptr, nullptr, flags,
                                                nullptr);
}

long Win32Platform::CallChangeDisplaySettings(Procedure function, const DisplayMode* mode,
                                              std::uint32_t flags)
{
    using Function = LONG(WINAPI*)(DEVMODEA*, DWORD);
    DEVMODEA devMode;
    if (mode)
        devMode = ToDevMode(*mode);
    return reinterpret_cast<Function>(function)(mode ? &devMode : nullptr, flags);
}


}  // namespace platform
