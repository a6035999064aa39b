// The platform seam forwarded to the real Win32 functions.
#pragma once

#include "platform/platform.h"

namespace platform {

class Win32Platform : public Platform {
public:
    long RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* result) override;
    long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type, void* data,
                          std::uint32_t* size) override;
    long RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                         std::uint32_t access, RegKey* result,
                         std::uint32_t* disposition) override;
    long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type, const void* data,
                        std::uint32_t size) override;
    long RegDeleteValueA(RegKey key, const char* valueName) override;
    long RegCloseKey(RegKey key) override;

    DeviceContext CreateDCA(const char* driver, const char* device) override;
    bool DeleteDC(DeviceContext dc) override;
    DeviceContext GetScreenDC() override;
    int ReleaseScreenDC(DeviceContext dc) override;
    int ExtEscape(DeviceContext dc, int escape, int inputSize, const void* input, int outputSize,
                  void* output) override;

    bool GetVersionExA(OsVersionInfo* info) override;
    std::uint32_t GetTickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool TryLockSettings() override;
    void UnlockSettings() override;
    bool TryClaimRun() override;
    void ReleaseRun() override;
    std::string MakeOwnerMark() override;
    bool OwnerMarkExists(const char* name) override;

    Module LoadLibraryA(const char* name) override;
    Procedure GetProcAddressA(Module module, const char* name) override;
    Procedure GetProcAddressOrdinal(Module module, std::uint16_t ordinal) override;
    bool FreeLibrary(Module module) override;
    void CallResourceManager(Procedure entry, std::uint32_t function, void* block) override;
    long CallChangeDisplaySettingsEx(Procedure function, const char* device,
                                     const DisplayMode* mode, std::uint32_t flags) override;
    long CallChangeDisplaySettings(Procedure function, const DisplayMode* mode,
                                   std::uint32_t flags) override;

private:
    void* m_settingsLock = nullptr;  // the named mutex, once made
    void* m_runClaim = nullptr;      // the same for the run claim
};

}  // namespace platform
