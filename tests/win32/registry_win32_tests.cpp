// The registry helpers against the real Win32 registry (Wine's).
#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "driver/display_driver.h"
#include "fake_system.h"
#include "platform/win32/win32_platform.h"
#include "registry_cases.h"
#include "win32_registry_key.h"

namespace {

// The driver on the real registry, and the values as Windows stores them.
struct RealStore {
    platform::Win32Platform os;
    fake::FakeUser user;
    CDisplayDriver driver{os, user, 0};
    void Put(const std::string& key, const char* name, std::uint32_t type, const void* data, std::size_t size)
    {
        HKEY hKey;
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                                nullptr) == ERROR_SUCCESS);
        REQUIRE(RegSetValueExA(hKey, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size))
                == ERROR_SUCCESS);
        RegCloseKey(hKey);
    }
    fake::RegValue Get(const std::string& key, const char* name) const
    {
        fake::RegValue value{0, std::vector<unsigned char>(128)};
        HKEY hKey;
        DWORD type = 0, size = static_cast<DWORD>(value.data.size());
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
            return {0, {}};
        const bool read = RegQueryValueExA(hKey, name, nullptr, &type, value.data.data(), &size) == ERROR_SUCCESS;
        RegCloseKey(hKey);
        if (!read)
            return {0, {}};
        value.type = type;
        value.data.resize(size);
        return value;
    }
};

}  // namespace

TEST_CASE("the registry helpers on the real registry")
{
    TestKey key("Helpers");
    RealStore s;
    CheckRegistryHelpers(s, key.path());
}
