// A platform that passes every call to another one; implementations that
// take over only some calls derive from it and override those.
#pragma once

#include "platform.h"

namespace platform {

class PlatformDecorator : public Platform {
public:
    explicit PlatformDecorator(Platform& inner) : m_inner(inner) {}

    long RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* result) override
    {
        return m_inner.RegOpenKeyExA(key, subKey, options, access, result);
    }
    long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type, void* data,
                          std::uint32_t* size) override
    {
        return m_inner.RegQueryValueExA(key, valueName, type, data, size);
    }
    long RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                         std::uint32_t access, RegKey* result,
                         std::uint32_t* disposition) override
    {
        return m_inner.RegCreateKeyExA(key, subKey, options, access, result, disposition);
    }
    long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type, const void* data,
                        std::uint32_t size) override
    {
        return m_inner.RegSetValueExA(key, valueName, type, data, size);
    }
    long RegDeleteValueA(RegKey key, const char* valueName) override
    {
        return m_inner.RegDeleteValueA(key, valueName);
    }
    long RegCloseKey(RegKey key) override { return m_inner.RegCloseKey(key); }

    DeviceContext CreateDCA(const char* driver, const char* device) override
    {
        return m_inner.CreateDCA(driver, device);
    }
    bool DeleteDC(DeviceContext dc) override { return m_inner.DeleteDC(dc); }
    DeviceContext GetScreenDC() override { return m_inner.GetScreenDC(); }
    int ReleaseScreenDC(DeviceContext dc) override { return m_inner.ReleaseScreenDC(dc); }
    int ExtEscape(DeviceContext dc, int escape, int inputSize, const void* input, int outputSize,
                  void* output) override
    {
        return m_inner.ExtEscape(dc, escape, inputSize, input, outputSize, output);
    }

    bool GetVersionExA(OsVersionInfo* info) override { return m_inner.GetVersionExA(info); }
    std::uint32_t GetTickCount() override { return m_inner.GetTickCount(); }
    void Sleep(std::uint32_t milliseconds) override { m_inner.Sleep(milliseconds); }
    bool TryLockSettings() override { return m_inner.TryLockSettings(); }
    void UnlockSettings() override { m_inner.UnlockSettings(); }
    std::string MakeOwnerMark() override { return m_inner.MakeOwnerMark(); }
    bool OwnerMarkExists(const char* name) override { return m_inner.OwnerMarkExists(name); }
    bool TryClaimRun() override { return m_inner.TryClaimRun(); }
    void ReleaseRun() override { m_inner.ReleaseRun(); }

    Module LoadLibraryA(const char* name) override { return m_inner.LoadLibraryA(name); }
    Procedure GetProcAddressA(Module module, const char* name) override
    {
        return m_inner.GetProcAddressA(module, name);
    }
    Procedure GetProcAddressOrdinal(Module module, std::uint16_t ordinal) override
    {
        return m_inner.GetProcAddressOrdinal(module, ordinal);
    }
    bool FreeLibrary(Module module) override { return m_inner.FreeLibrary(module); }
    void CallResourceManager(Procedure entry, std::uint32_t function, void* block) override
    {
        m_inner.CallResourceManager(entry, function, block);
    }
    long CallChangeDisplaySettingsEx(Procedure function, const char* device,
                                     const DisplayMode* mode, std::uint32_t flags) override
    {
        return m_inner.CallChangeDisplaySettingsEx(function, device, mode, flags);
    }
    long CallChangeDisplaySettings(Procedure function, const DisplayMode* mode,
                                   std::uint32_t flags) override
    {
        return m_inner.CallChangeDisplaySettings(function, mode, flags);
    }


protected:
    Platform& inner() { return m_inner; }

private:
    Platform& m_inner;
};

}  // namespace platform
