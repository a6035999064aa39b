// The driver session through the real Win32 platform: without a driver under
// Wine, and with the emulated adapter, reading Wine's own registry.
#include <doctest.h>
#include <windows.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "fake_system.h"
#include "emulator/emulated_adapter.h"
#include "platform/win32/win32_platform.h"

namespace {

// The adapter key the emulated adapter reports on the NT family, which Wine
// reports by default.
const std::string kAdapter = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";

void PutDword(const std::string& key, const char* value, DWORD data)
{
    HKEY hKey;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &hKey, nullptr) == ERROR_SUCCESS);
    REQUIRE(RegSetValueExA(hKey, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), 4) == ERROR_SUCCESS);
    RegCloseKey(hKey);
}

void RemoveAll()
{
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kAdapter.c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, emulator::kStateKey);
}

}  // namespace

TEST_CASE("without a display driver, verification fails")
{
    platform::Win32Platform os;
    fake::FakeUser user;
    CDisplayDriver driver(os, user, 0);
    CHECK_FALSE(driver.Open("\\\\.\\Display1"));
    CHECK(driver.GetLastErrorText()
          == "E2.1: Video driver verification failed.  Please ensure that compatible video drivers are installed.");
}

TEST_CASE("with the emulated adapter, Open reads the board and Wine's registry")
{
    RemoveAll();
    PutDword(kAdapter + "\\OpenGL", "EnableFSAA", 1);
    PutDword(kAdapter + "\\OpenGL", "FSAAQuality", 2);
    PutDword(kAdapter + "\\OpenGL", "DefaultSwapInterval", 0xFFFFFFFFu);
    PutDword(kAdapter + "\\Direct3D", "ANTIALIASENABLE", 0);
    PutDword(kAdapter + "\\DirectDraw", "VideoBusMasterMode", 3);

    platform::Win32Platform os;
    {
        emulator::EmulatedAdapter adapter(os);
        fake::FakeUser user;
        CDisplayDriver driver(adapter, user, 0);
        REQUIRE(driver.Open("\\\\.\\Display1"));
        CHECK(std::string(driver.m_szAdapterKey) == kAdapter);
        CHECK(driver.m_wDeviceID == 0x0110);
        CHECK(driver.GetCoreClock() == 200);
        CHECK(driver.GetMemClock() == 166);
        CHECK(driver.GetOpenGLFSAA() == 2);
        CHECK_FALSE(driver.GetOpenGLVSync());
        CHECK(driver.GetD3DFSAA() == 0);
        CHECK(driver.GetD3DVSync());
        CHECK(driver.GetOverlayMode() == 3);
        CHECK(driver.GetDefaultCoreClock() == 200);

        // The baseline record was written to the real registry.
        HKEY hKey;
        REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kAdapter + "\\NVTweak\\Hardware").c_str(), 0,
                              KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS);
        DWORD type = 0, size = 0;
        CHECK(RegQueryValueExA(hKey, "Bart", nullptr, &type, nullptr, &size) == ERROR_SUCCESS);
        CHECK(type == REG_DWORD);
        CHECK(size == 4);
        RegCloseKey(hKey);

        // A change of the board's state is kept for the next run.
        emulator::AdapterState state = adapter.State();
        state.coreClockHz = 225000000;
        adapter.Reset(state);
    }
    emulator::EmulatedAdapter restarted(os);
    fake::FakeUser user;
    CDisplayDriver driver(restarted, user, 0);
    REQUIRE(driver.Open("\\\\.\\Display1"));
    CHECK(driver.GetCoreClock() == 225);
    CHECK(driver.GetDefaultCoreClock() == 200);
    RemoveAll();
}

TEST_CASE("with the emulated adapter, an apply writes Wine's registry and the board")
{
    RemoveAll();
    platform::Win32Platform os;
    emulator::EmulatedAdapter adapter(os);
    fake::FakeUser user;
    CDisplayDriver driver(adapter, user, 0);
    REQUIRE(driver.Open("\\\\.\\Display1"));
    driver.SetNewApplyAtStartup(true);
    driver.SetNewOpenGLVSync(false);
    driver.SetNewCoreClock(210);
    driver.AcceptClocks(210, driver.GetMemClock());
    REQUIRE(driver.ApplySettings());
    CHECK(adapter.State().coreClockHz == 210000000);

    char command[100] = {};
    DWORD size = sizeof command, type = 0;
    HKEY run;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                          KEY_QUERY_VALUE, &run) == ERROR_SUCCESS);
    CHECK(RegQueryValueExA(run, "NvInitialize", nullptr, &type, reinterpret_cast<BYTE*>(command), &size)
          == ERROR_SUCCESS);
    RegCloseKey(run);
    CHECK(type == REG_SZ);
    CHECK(std::string(command) == "RUNDLL32.EXE NVQTWK.DLL,NvXTInit");

    // Off again: the start-up entry goes, through Wine's own Run key.
    driver.SetNewApplyAtStartup(false);
    driver.SetNewOpenGLVSync(true);
    REQUIRE(driver.ApplySettings());
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                          KEY_QUERY_VALUE, &run) == ERROR_SUCCESS);
    CHECK(RegQueryValueExA(run, "NvInitialize", nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND);
    RegCloseKey(run);
    RemoveAll();
}
