// The registry helpers against the real Win32 registry (Wine's).
#include <doctest.h>
#include <windows.h>

#include <cstring>

#include "driver/display_driver.h"
#include "fake_system.h"
#include "platform/win32/win32_platform.h"
#include "win32_registry_key.h"

namespace {

struct Stored {
    DWORD type = 0;
    DWORD size = 0;
    unsigned char data[128] = {};
};

Stored Query(const char* key, const char* value)
{
    Stored stored;
    HKEY hKey;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS);
    stored.size = sizeof stored.data;
    CHECK(RegQueryValueExA(hKey, value, nullptr, &stored.type, stored.data, &stored.size) == ERROR_SUCCESS);
    RegCloseKey(hKey);
    return stored;
}

void Put(const char* key, const char* value, DWORD type, const void* data, DWORD size)
{
    HKEY hKey;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                            nullptr) == ERROR_SUCCESS);
    REQUIRE(RegSetValueExA(hKey, value, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS);
    RegCloseKey(hKey);
}

}  // namespace

TEST_CASE("writes create the key and store the type and size given")
{
    TestKey key("Writes");
    platform::Win32Platform os;
    fake::FakeUser user;
    CDisplayDriver driver(os, user, 0);
    const std::string sub = std::string(key.path()) + "\\Deeper";

    REQUIRE(driver.WriteDword(sub.c_str(), "Dword", 0xFFFFFFFFu));
    Stored dword = Query(sub.c_str(), "Dword");
    CHECK(dword.type == REG_DWORD);
    CHECK(dword.size == 4);
    CHECK(std::memcmp(dword.data, "\xFF\xFF\xFF\xFF", 4) == 0);

    const unsigned char block[72] = {5, 0, 0, 0, 1, 2, 3};
    REQUIRE(driver.WriteBinary(sub.c_str(), "Block", block, sizeof block));
    Stored binary = Query(sub.c_str(), "Block");
    CHECK(binary.type == REG_BINARY);
    CHECK(binary.size == 72);

    const char* command = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";
    REQUIRE(driver.WriteString(sub.c_str(), "Text", command, std::strlen(command) + 1));
    Stored text = Query(sub.c_str(), "Text");
    CHECK(text.type == REG_SZ);
    CHECK(text.size == std::strlen(command) + 1);
    CHECK(std::strcmp(reinterpret_cast<char*>(text.data), command) == 0);
}

TEST_CASE("reads through the real registry")
{
    TestKey key("Reads");
    platform::Win32Platform os;
    fake::FakeUser user;
    CDisplayDriver driver(os, user, 0);
    const DWORD four = 0x01020304;
    Put(key.path(), "Four", REG_DWORD, &four, 4);
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Put(key.path(), "Eight", REG_BINARY, eight, 8);
    Put(key.path(), "Text", REG_SZ, "hello", 6);

    std::uint32_t value = 0xDEADBEEF;
    CHECK(driver.ReadDword(key.path(), "Four", &value));
    CHECK(value == 0x01020304);
    value = 0xDEADBEEF;
    CHECK_FALSE(driver.ReadDword(key.path(), "Eight", &value));
    CHECK(value == 0xDEADBEEF);  // a value too long leaves the variable alone
    CHECK_FALSE(driver.ReadDword(key.path(), "Missing", &value));

    char text[6];
    CHECK(driver.ReadString(key.path(), "Text", text, sizeof text));
    CHECK(std::string(text) == "hello");
    char small[4];
    CHECK_FALSE(driver.ReadString(key.path(), "Text", small, sizeof small));

    unsigned char block[8] = {};
    CHECK(driver.ReadBinary(key.path(), "Eight", block, sizeof block));
    CHECK(block[7] == 8);
    CHECK_FALSE(driver.ReadBinary(key.path(), "Eight", block, 7));
}

TEST_CASE("DeleteValue: a missing value is fine, a missing key is not")
{
    TestKey key("Deletes");
    platform::Win32Platform os;
    fake::FakeUser user;
    CDisplayDriver driver(os, user, 0);
    CHECK_FALSE(driver.DeleteValue(key.path(), "Anything"));
    const DWORD one = 1;
    Put(key.path(), "Present", REG_DWORD, &one, 4);
    CHECK(driver.DeleteValue(key.path(), "Absent"));
    CHECK(driver.DeleteValue(key.path(), "Present"));
    HKEY hKey;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.path(), 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS);
    CHECK(RegQueryValueExA(hKey, "Present", nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND);
    RegCloseKey(hKey);
}
