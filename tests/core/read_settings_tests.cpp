#include <doctest.h>

#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "fake_system.h"

namespace {

constexpr const char* kAdapter = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";
const std::string kOpenGL = std::string(kAdapter) + "\\OpenGL";
const std::string kD3D = std::string(kAdapter) + "\\Direct3D";
const std::string kDDraw = std::string(kAdapter) + "\\DirectDraw";
const std::string kHardware = std::string(kAdapter) + "\\NVTweak\\Hardware";
constexpr const char* kGlobal = "SOFTWARE\\NVIDIA Corporation\\Global\\System";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kCommand = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";

// A driver whose session has found the adapter and whose baseline clocks
// (200 and 166 MHz) were recorded earlier, so ReadSettings needs no driver.
struct Settings {
    explicit Settings(std::uint16_t deviceId = 0x0110)
    {
        std::strcpy(driver.m_szAdapterKey, kAdapter);
        driver.m_wDeviceID = deviceId;
        system.PutDword(kHardware, "Homer", 0x00C0FFEE);
        system.PutDword(kHardware, "Bart", driver::ScrambleClocks(200, 166, deviceId, 0x00C0FFEE));
    }
    bool Read() { return driver.ReadSettings(); }

    fake::FakeSystem system;
    CDisplayDriver driver{system, system, 0};
};

void CheckPendingEqualsCurrent(const CDisplayDriver& d)
{
    CHECK(d.m_bNewApplyAtStartup == d.m_bApplyAtStartup);
    CHECK(d.m_nNewOpenGLFSAA == d.m_nOpenGLFSAA);
    CHECK(d.m_bNewOpenGLVSync == d.m_bOpenGLVSync);
    CHECK(d.m_bNewOpenGLZBuffer == d.m_bOpenGLZBuffer);
    CHECK(d.m_nNewD3DFSAA == d.m_nD3DFSAA);
    CHECK(d.m_bNewD3DVSync == d.m_bD3DVSync);
    CHECK(d.m_bNewD3DZBuffer == d.m_bD3DZBuffer);
    CHECK(d.m_nNewOverlayMode == d.m_nOverlayMode);
    CHECK(d.m_nNewAGPRate == d.m_nAGPRate);
}

}  // namespace

TEST_CASE("an adapter key without subkeys gives the defaults")
{
    Settings s;
    REQUIRE(s.Read());
    const CDisplayDriver& d = s.driver;
    CHECK(d.m_szTweakKey == std::string(kAdapter) + "\\NVTweak");
    CHECK(d.m_dwClockSalt == 0x00C0FFEE);
    CHECK(d.GetDefaultCoreClock() == 200);
    CHECK(d.GetDefaultMemClock() == 166);
    CHECK_FALSE(d.m_bApplyAtStartup);
    CHECK(d.m_nOpenGLFSAA == -1);
    CHECK(d.m_bOpenGLVSync);
    CHECK_FALSE(d.m_bOpenGLZBuffer);
    CHECK(d.m_nD3DFSAA == 4);
    CHECK(d.m_bD3DVSync);
    CHECK_FALSE(d.m_bD3DZBuffer);
    CHECK(d.m_nOverlayMode == 0);
    CHECK(d.m_nAGPRate == 1);
    CHECK_FALSE(d.m_bUseVSyncMode);
    CheckPendingEqualsCurrent(d);
}

TEST_CASE("OpenGL values decode as stored")
{
    struct Case {
        const char* name;
        bool hasEnable; std::uint32_t enable;
        bool hasQuality; std::uint32_t quality;
        int fsaa;
    } cases[] = {
        {"on with quality 2", true, 1, true, 2, 2},
        {"on with quality 0", true, 1, true, 0, 0},
        {"enable 2 is not on", true, 2, true, 1, -1},
        {"enable 0", true, 0, true, 1, -1},
        {"on without quality", true, 1, false, 0, -1},
        {"quality alone", false, 0, true, 1, -1},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Settings s;
        if (c.hasEnable) s.system.PutDword(kOpenGL, "EnableFSAA", c.enable);
        if (c.hasQuality) s.system.PutDword(kOpenGL, "FSAAQuality", c.quality);
        REQUIRE(s.Read());
        CHECK(s.driver.GetOpenGLFSAA() == c.fsaa);
        CheckPendingEqualsCurrent(s.driver);
    }

    struct { std::uint32_t interval; bool vsync; } intervals[] = {
        {0, true}, {1, true}, {2, false}, {0xFFFFFFFFu, false},
    };
    for (auto c : intervals) {
        CAPTURE(c.interval);
        Settings s;
        s.system.PutDword(kOpenGL, "DefaultSwapInterval", c.interval);
        s.system.PutDword(kOpenGL, "RenderQualityFlags", c.interval);
        REQUIRE(s.Read());
        CHECK(s.driver.GetOpenGLVSync() == c.vsync);
        CHECK(s.driver.m_bOpenGLZBuffer == (c.interval != 0));
    }
}

TEST_CASE("Direct3D values decode as stored")
{
    struct Case {
        bool hasEnable; std::uint32_t enable;
        bool hasQuality; std::uint32_t quality;
        int fsaa;
    } cases[] = {
        {true, 2, true, 0, 2}, {true, 2, true, 1, 4}, {true, 2, true, 3, 4},
        {true, 2, true, 4, 9}, {true, 2, true, 5, 9}, {true, 2, true, 6, 0},
        {true, 0, true, 0, 0}, {true, 1, true, 0, 2}, {false, 0, true, 5, 9},
        {true, 2, false, 0, 4}, {true, 2, true, 0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.enable);
        CAPTURE(c.quality);
        Settings s;
        if (c.hasEnable) s.system.PutDword(kD3D, "ANTIALIASENABLE", c.enable);
        if (c.hasQuality) s.system.PutDword(kD3D, "ANTIALIASQUALITY", c.quality);
        REQUIRE(s.Read());
        CHECK(s.driver.GetD3DFSAA() == c.fsaa);
        CheckPendingEqualsCurrent(s.driver);
    }

    struct VSync {
        bool hasEnable; std::uint32_t enable;
        bool hasMode; std::uint32_t mode;
        bool vsync; bool useMode;
    } vsyncs[] = {
        {false, 0, false, 0, true, false}, {true, 1, true, 0, true, false},
        {true, 0, false, 0, false, false}, {true, 0, true, 2, true, true},
        {true, 0, true, 1, false, true},   {true, 0, true, 0, false, true},
    };
    for (const VSync& c : vsyncs) {
        CAPTURE(c.enable);
        CAPTURE(c.mode);
        Settings s;
        if (c.hasEnable) s.system.PutDword(kD3D, "VSYNCENABLE", c.enable);
        if (c.hasMode) s.system.PutDword(kD3D, "VSYNCMODE", c.mode);
        s.system.PutDword(kD3D, "VALIDATEZMETHOD", 2);
        REQUIRE(s.Read());
        CHECK(s.driver.GetD3DVSync() == c.vsync);
        CHECK(s.driver.m_bUseVSyncMode == c.useMode);
        CHECK(s.driver.m_bD3DZBuffer);
    }
}

TEST_CASE("the vertical sync mode, once found, stays in use")
{
    Settings s;
    s.system.PutDword(kD3D, "VSYNCENABLE", 0);
    s.system.PutDword(kD3D, "VSYNCMODE", 2);
    REQUIRE(s.Read());
    REQUIRE(s.driver.m_bUseVSyncMode);
    s.system.PutDword(kD3D, "VSYNCENABLE", 1);
    REQUIRE(s.Read());
    CHECK(s.driver.m_bUseVSyncMode);
}

TEST_CASE("an older device keeps the Direct3D FSAA it had; device 0x0100 is the first that reads it")
{
    for (const std::uint16_t device : {0x00A0, 0x0100}) {
        CAPTURE(device);
        Settings s(device);
        s.system.PutDword(kD3D, "ANTIALIASENABLE", 2);
        s.system.PutDword(kD3D, "ANTIALIASQUALITY", 5);
        s.system.PutDword(kD3D, "VALIDATEZMETHOD", 0);  // kept as 0: off
        REQUIRE(s.Read());
        CHECK((s.driver.GetD3DFSAA() != 0) == (device == 0x0100));
        CHECK(s.driver.m_nNewD3DFSAA == s.driver.GetD3DFSAA());
        CHECK_FALSE(s.driver.m_bD3DZBuffer);
    }
}

TEST_CASE("an unknown overlay mode leaves the previous one")
{
    Settings s;
    s.system.PutDword(kDDraw, "VideoBusMasterMode", 3);
    REQUIRE(s.Read());
    CHECK(s.driver.GetOverlayMode() == 3);
    s.system.PutDword(kDDraw, "VideoBusMasterMode", 7);
    s.driver.m_nNewOverlayMode = 1;
    REQUIRE(s.Read());
    CHECK(s.driver.GetOverlayMode() == 3);
    CHECK(s.driver.m_nNewOverlayMode == 1);
}

TEST_CASE("the AGP rate comes from the global switches, the 4x switch winning")
{
    struct { bool has2x; std::uint32_t v2x; bool has4x; std::uint32_t v4x; int rate; } cases[] = {
        {true, 1, false, 0, 2}, {false, 0, true, 1, 4}, {true, 1, true, 1, 4},
        {true, 0, true, 0, 1}, {true, 7, true, 0, 2},
    };
    for (auto c : cases) {
        Settings s;
        if (c.has2x) s.system.PutDword(kGlobal, "EnableIrongate2x", c.v2x);
        if (c.has4x) s.system.PutDword(kGlobal, "EnableVia4X", c.v4x);
        REQUIRE(s.Read());
        CHECK(s.driver.m_nAGPRate == c.rate);
        CHECK(s.driver.m_nNewAGPRate == c.rate);
    }
}

TEST_CASE("apply at startup is on only for the exact command")
{
    SUBCASE("exact") {
        Settings s;
        s.system.PutString(kRun, "NvInitialize", kCommand);
        REQUIRE(s.Read());
        CHECK(s.driver.GetApplyAtStartup());
        CHECK(s.driver.m_bNewApplyAtStartup);
    }
    SUBCASE("lower case") {
        Settings s;
        s.system.PutString(kRun, "NvInitialize", "rundll32.exe nvqtwk.dll,NvXTInit");
        REQUIRE(s.Read());
        CHECK_FALSE(s.driver.GetApplyAtStartup());
    }
    SUBCASE("longer than the buffer") {
        Settings s;
        s.system.PutString(kRun, "NvInitialize", std::string(kCommand) + std::string(80, ' '));
        REQUIRE(s.Read());
        CHECK_FALSE(s.driver.GetApplyAtStartup());
    }
    SUBCASE("filling the buffer with no terminator") {
        Settings s;
        std::string filler(kCommand);
        filler.resize(100, 'x');
        s.system.PutValue(kRun, "NvInitialize", platform::kRegSz, filler.data(), 100);
        REQUIRE(s.Read());
        CHECK_FALSE(s.driver.GetApplyAtStartup());
    }
    SUBCASE("the command and a terminator inside a binary value") {
        Settings s;
        s.system.PutValue(kRun, "NvInitialize", platform::kRegBinary, kCommand,
                          std::strlen(kCommand) + 1);
        REQUIRE(s.Read());
        CHECK(s.driver.GetApplyAtStartup());
    }
}

TEST_CASE("values of any type and size never break the read")
{
    const std::string keys[] = {kOpenGL, kD3D, kDDraw, kGlobal};
    const char* names[] = {"EnableFSAA", "FSAAQuality", "DefaultSwapInterval", "RenderQualityFlags",
                           "ANTIALIASENABLE", "ANTIALIASQUALITY", "VSYNCENABLE", "VSYNCMODE",
                           "VALIDATEZMETHOD", "VideoBusMasterMode", "EnableIrongate2x", "EnableVia4X"};
    const unsigned char bytes[9] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (std::size_t size : {0u, 1u, 3u, 5u, 9u}) {
        CAPTURE(size);
        Settings s;
        for (const std::string& key : keys)
            for (const char* name : names)
                s.system.PutValue(key, name, platform::kRegSz, bytes, size);
        s.system.PutValue(kRun, "NvInitialize", platform::kRegDword, bytes, size);
        CHECK(s.Read());
        CheckPendingEqualsCurrent(s.driver);
        CHECK(s.system.OpenKeys() == 0);
    }
}
