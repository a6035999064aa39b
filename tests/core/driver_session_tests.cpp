#include <doctest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/nv_protocol.h"
#include "rig.h"

using emulator::Request;

namespace {

const std::string kHardware = std::string(kNtAdapterKey) + "\\NVTweak\\Hardware";

bool IsItem(const Request& r, std::uint32_t function, std::uint32_t item)
{
    return r.kind == Request::kResourceManager && r.code == function && r.item == item;
}

// Answers chosen display escapes with scripted bytes and passes the rest on.
class ScriptedEscapes : public platform::PlatformDecorator {
public:
    using PlatformDecorator::PlatformDecorator;
    std::function<int(int escape, int inSize, const void* in, int outSize, void* out)> answer;

    int ExtEscape(platform::DeviceContext dc, int escape, int inSize, const void* in, int outSize,
                  void* out) override
    {
        if (answer) {
            int result = answer(escape, inSize, in, outSize, out);
            if (result != -1000)
                return result;
        }
        return PlatformDecorator::ExtEscape(dc, escape, inSize, in, outSize, out);
    }
};

}  // namespace

TEST_CASE("a fresh driver object has its initial values")
{
    fake::FakeSystem system;
    CDisplayDriver d(system, system, 0x4321);
    CHECK(d.m_hWndOwner == 0x4321);
    CHECK(d.GetLastErrorText() == "None");
    CHECK(std::string(d.m_szDeviceName) == "\\\\.\\Display1");
    CHECK(d.m_hRootKey == platform::kHKeyLocalMachine);
    CHECK(d.m_nTVWidth == 640);
    CHECK(d.m_nTVHeight == 480);
    CHECK(d.m_nTVBitsPerPel == 8);
    CHECK(d.m_nTVFormat == 5);
    CHECK(d.m_nOpenGLFSAA == -1);
    CHECK(d.m_nAGPRate == 1);
    CHECK_FALSE(d.m_bClocksTested);
    CHECK_FALSE(g_bOutputSwitchDeclined);  // nothing declined before any switch
    CHECK(system.LiveDCs() == 0);
}

TEST_CASE("Open reads the board, captures the baseline once, and reads the settings")
{
    for (std::uint32_t family : {platform::kVerPlatformWin32Nt, platform::kVerPlatformWin32Windows}) {
        CAPTURE(family);
        Rig rig(family);
        rig.system.tickCount = 0xABCD1234;
        CDisplayDriver& d = rig.driver;
        REQUIRE(d.Open(kDisplayName));
        const char* key = family == platform::kVerPlatformWin32Nt ? kNtAdapterKey : k9xAdapterKey;
        CHECK(std::string(d.m_szAdapterKey) == key);
        CHECK(d.m_bByDeviceName);
        CHECK(d.m_wDeviceID == 0x0110);
        CHECK(d.GetCoreClock() == 200);
        CHECK(d.GetMemClock() == 166);
        CHECK(d.m_nNewCoreClock == 200);
        CHECK(d.m_nNewMemClock == 166);
        CHECK(d.HasMonitor());
        CHECK(d.HasTV());
        CHECK_FALSE(d.HasFlatPanel());
        CHECK(d.m_nModeWidth == 1024);
        CHECK(d.m_nModeHeight == 768);
        CHECK(d.m_nModeBitsPerPel == 32);
        CHECK(d.m_nModeRefresh == 75);
        CHECK(d.m_nTVConnector == 1);
        CHECK(d.GetDefaultCoreClock() == 200);
        CHECK(d.GetDefaultMemClock() == 166);
        CHECK(d.GetMaxCoreClock() == 250);
        CHECK(d.GetMinCoreClock() == 175);
        CHECK(d.GetMaxMemClock() == 210);
        CHECK(d.GetMinMemClock() == 145);
        CHECK(d.m_dwClockSalt == 0xABCD1234);
        CHECK(d.GetLastErrorText() == "None");

        const std::string hardware = std::string(key) + "\\NVTweak\\Hardware";
        const fake::RegValue* homer = rig.system.FindValue(hardware, "Homer");
        const fake::RegValue* bart = rig.system.FindValue(hardware, "Bart");
        REQUIRE(homer);
        REQUIRE(bart);
        CHECK(homer->type == platform::kRegDword);
        std::uint32_t record = 0;
        std::memcpy(&record, bart->data.data(), 4);
        CHECK(record == driver::ScrambleClocks(200, 166, 0x0110, 0xABCD1234));

        CHECK(rig.adapter.OpenClients() == 0);  // the connection was freed
        CHECK(rig.system.LiveDCs() == 1);       // the verification context is kept
        CHECK(rig.system.OpenKeys() == 0);
    }
}

TEST_CASE("Open reads the board's fast writes and output device")
{
    Rig rig;
    emulator::AdapterState board;
    board.fastWrites = 1;
    board.outputDevice = nv::kOutputTV;
    rig.adapter.Reset(board);
    REQUIRE(rig.driver.Open(kDisplayName));
    CHECK(rig.driver.m_bFastWrites);
    CHECK(rig.driver.m_nOutputDevice == nv::kOutputTV);
}

TEST_CASE("the baseline is captured once and survives a changed clock")
{
    Rig rig;
    REQUIRE(rig.driver.Open(kDisplayName));
    emulator::AdapterState state = rig.adapter.State();
    state.coreClockHz = 230000000;
    rig.adapter.Reset(state);
    rig.system.tickCount = 1;
    REQUIRE(rig.driver.Open(kDisplayName));
    CHECK(rig.driver.GetCoreClock() == 230);
    CHECK(rig.driver.GetDefaultCoreClock() == 200);
    CHECK(rig.driver.m_dwClockSalt == 0x12345678);
}

TEST_CASE("a salt without a record makes a new baseline, rewriting both")
{
    Rig rig;
    rig.system.PutDword(kHardware, "Homer", 77);
    rig.system.tickCount = 0x5555;
    REQUIRE(rig.driver.Open(kDisplayName));
    std::uint32_t homer = 0;
    std::memcpy(&homer, rig.system.FindValue(kHardware, "Homer")->data.data(), 4);
    CHECK(homer == 0x5555);
    CHECK(rig.system.FindValue(kHardware, "Bart") != nullptr);
    CHECK(rig.driver.GetDefaultCoreClock() == 200);
}

TEST_CASE("Open twice holds one verification context, and the destructor frees it")
{
    fake::FakeSystem system;
    {
        emulator::EmulatedAdapter adapter(system);
        CDisplayDriver d(adapter, system, 0);
        REQUIRE(d.Open(kDisplayName));
        REQUIRE(d.Open(kDisplayName));
        CHECK(system.LiveDCs() == 1);
    }
    CHECK(system.LiveDCs() == 0);
}

TEST_CASE("the name \"Display\" makes the context by driver name")
{
    for (const char* name : {"Display", "DISPLAY", "display"}) {
        Rig rig;
        REQUIRE(rig.driver.Open(name));
        CHECK_FALSE(rig.driver.m_bByDeviceName);
        CHECK(rig.system.createdDCs.front() == std::string(name) + "|");
    }
    Rig rig;
    REQUIRE(rig.driver.Open(kDisplayName));
    CHECK(rig.system.createdDCs.front() == std::string("|") + kDisplayName);
    Rig other;
    other.driver.Open("Displays");
    CHECK(other.driver.m_bByDeviceName);
}

TEST_CASE("a context that cannot be made fails verification")
{
    Rig rig;
    rig.system.failCreateDC = true;
    CHECK_FALSE(rig.driver.Open(kDisplayName));
    CHECK(rig.driver.GetLastErrorText()
          == "E2.1: Video driver verification failed.  Please ensure that compatible video drivers are installed.");
}

TEST_CASE("every failing request of Open leaves the message and state it should")
{
    const auto open = [](Rig& rig) { return rig.driver.Open(kDisplayName); };
    const std::size_t total = FailEachRequest<Rig>(open, [](Rig& rig, std::size_t failing, const Request& failed,
                                                            bool opened) {
        CAPTURE(failed.code);
        CAPTURE(failed.item);
        const std::string message = rig.driver.GetLastErrorText();
        const CDisplayDriver& d = rig.driver;
        const auto& sent = rig.adapter.Requests();
        int occurrence = 0;  // how many requests like the failed one came before it
        for (std::size_t i = 0; i < failing; ++i)
            occurrence += sent[i].kind == failed.kind && sent[i].code == failed.code && sent[i].item == failed.item;

        if (failed.kind == Request::kDisplayEscape && failed.code == nv::kEscVerify) {
            CHECK_FALSE(opened);
            CHECK(message.rfind("E2.1: ", 0) == 0);
            CHECK(sent.size() == 1);
        } else if (failed.kind == Request::kDisplayEscape && failed.code == nv::kEscIdentify) {
            CHECK_FALSE(opened);
            CHECK(message.rfind("E2.2: ", 0) == 0);
            CHECK(std::string(d.m_szAdapterKey) == kNtAdapterKey);
            CHECK(sent.size() == 3);
        } else if (failed.kind == Request::kDisplayEscape && failed.code == nv::kEscAdapterKey) {
            CHECK(opened);
            CHECK(std::string(d.m_szAdapterKey).empty());
        } else if (failed.kind == Request::kDisplayEscape && failed.code == nv::kEscRefreshRate) {
            CHECK(opened);
            CHECK(d.m_nModeRefresh == 0);
        } else if (failed.code == nv::kFnRmAllocRoot) {
            CHECK_FALSE(opened);
            CHECK(message == "E1.1: Invalid video driver allocation.");
            CHECK(sent.back().code == nv::kFnRmAllocRoot);  // nothing to free
        } else if (failed.code == nv::kFnRmAllocDevice) {
            CHECK_FALSE(opened);
            CHECK(message == "E1.2: Invalid video driver device ID.");
            CHECK(sent.back().code == nv::kFnRmFree);
            CHECK(rig.adapter.OpenClients() == 0);
        } else if (failed.code == nv::kFnRmFree) {
            CHECK(opened);
        } else if (occurrence == 1 && failed.item == nv::kItemMemClock) {
            CHECK_FALSE(opened);
            CHECK(message == "E7.4: Video device memory clock speed unavailable.");
        } else if (occurrence == 1 && failed.item == nv::kItemCoreClock) {
            CHECK_FALSE(opened);
            CHECK(message == "E7.3: Video device core clock speed unavailable.");
        } else if (occurrence == 1 && failed.item == nv::kItemPciId) {
            CHECK_FALSE(opened);
            CHECK(message == "E7.5: Video device PCI ID unavailable.");
        } else {
            // A hardware value that cannot be read keeps its initial value.
            CHECK(opened);
            CHECK(message == "None");
            if (failed.item == nv::kItemPciId) CHECK(d.m_wDeviceID == 0);
            if (failed.item == nv::kItemCoreClock) CHECK(d.GetCoreClock() == 0);
            if (failed.item == nv::kItemMemClock) CHECK(d.GetMemClock() == 0);
            if (failed.item == nv::kItemTVConnector) CHECK(d.m_nTVConnector == 0);
            if (failed.item == nv::kItemMonitorInfo) CHECK_FALSE(d.HasMonitor());
            if (failed.item == nv::kItemTVInfo) CHECK_FALSE(d.HasTV());
            if (failed.item == nv::kItemDesktopWidth) CHECK(d.m_nModeWidth == 0);
        }
        if (!opened && failed.code != nv::kFnRmAllocRoot && failed.kind == Request::kResourceManager)
            CHECK(sent.back().code == nv::kFnRmFree);
        CHECK(rig.system.OpenKeys() == 0);
        CHECK(rig.system.LiveDCs() == 1);
    });
    CHECK(total == 22);
}

TEST_CASE("a baseline with both clocks unreadable reports the core clock")
{
    Rig rig;
    rig.adapter.FailWhen([](const Request& r) {
        return IsItem(r, nv::kFnRmConfigGet, nv::kItemCoreClock)
               || IsItem(r, nv::kFnRmConfigGet, nv::kItemMemClock);
    });
    CHECK_FALSE(rig.driver.Open(kDisplayName));
    CHECK(rig.driver.GetLastErrorText() == "E7.3: Video device core clock speed unavailable.");
    CHECK(rig.system.FindValue(kHardware, "Bart") == nullptr);
    CHECK(rig.system.FindValue(kHardware, "Homer") == nullptr);
}

TEST_CASE("escape replies of any content are read within their buffers")
{
    SUBCASE("an adapter key with no terminator") {
        Rig rig;
        ScriptedEscapes escapes(rig.adapter);
        escapes.answer = [](int escape, int, const void*, int outSize, void* out) {
            if (escape != nv::kEscAdapterKey)
                return -1000;
            std::memset(out, 'K', outSize);
            return 1;
        };
        CDisplayDriver d(escapes, rig.system, 0);
        d.Open(kDisplayName);
        CHECK(std::string(d.m_szAdapterKey) == std::string(123, 'K'));
    }
    SUBCASE("an identity that does not echo the code") {
        Rig rig;
        ScriptedEscapes escapes(rig.adapter);
        escapes.answer = [](int escape, int, const void*, int outSize, void* out) {
            if (escape != nv::kEscIdentify)
                return -1000;
            std::memset(out, 0xFF, outSize);
            return 1;
        };
        CDisplayDriver d(escapes, rig.system, 0);
        CHECK_FALSE(d.Open(kDisplayName));
        CHECK(d.GetLastErrorText().rfind("E2.2: Video driver initialization failed.  Please", 0) == 0);
        CHECK(std::string(d.m_szAdapterKey) == kNtAdapterKey);
        CHECK(rig.adapter.OpenClients() == 0);
    }
    SUBCASE("a refresh rate escape that reports an error") {
        Rig rig;
        ScriptedEscapes escapes(rig.adapter);
        escapes.answer = [](int escape, int, const void*, int, void* out) {
            if (escape != nv::kEscRefreshRate)
                return -1000;
            std::memset(out, 0x7F, 4);
            return -1;
        };
        CDisplayDriver d(escapes, rig.system, 0);
        CHECK(d.QueryRefreshRate() == 0);
        CHECK(rig.system.LiveDCs() == 0);
    }
}

TEST_CASE("SetOutputMode sends the 16-byte record and reads the answer")
{
    Rig rig;
    ScriptedEscapes escapes(rig.adapter);
    std::vector<std::uint32_t> received;
    std::uint32_t answer = 0;
    escapes.answer = [&](int escape, int inSize, const void* in, int outSize, void* out) {
        if (escape != nv::kEscSetOutputMode)
            return -1000;
        REQUIRE(inSize == 16);
        REQUIRE(outSize == 4);
        CHECK(*static_cast<std::uint32_t*>(out) == 0);  // zeroed before the call
        received.assign(static_cast<const std::uint32_t*>(in), static_cast<const std::uint32_t*>(in) + 4);
        std::memcpy(out, &answer, 4);
        return 0;  // the escape's own result does not count
    };
    CDisplayDriver d(escapes, rig.system, 0);
    const std::uint32_t record[4] = {800, 600, 16, 4};
    answer = 1;
    CHECK(d.SetOutputMode(record));
    CHECK(received == std::vector<std::uint32_t>{800, 600, 16, 4});
    answer = 0;
    CHECK_FALSE(d.SetOutputMode(record));
    CHECK(rig.system.LiveDCs() == 0);
}

TEST_CASE("setters change pending values only, within what they accept")
{
    Rig rig;
    REQUIRE(rig.driver.Open(kDisplayName));
    CDisplayDriver& d = rig.driver;
    CHECK(d.SetNewCoreClock(230));
    CHECK(d.m_nNewCoreClock == 230);
    CHECK(d.GetCoreClock() == 200);
    // Clocks whose hertz would wrap, or that are no clock at all, are refused.
    for (int mhz : {0, -5, 4295, 100000}) {
        CAPTURE(mhz);
        CHECK_FALSE(d.SetNewCoreClock(mhz));
        CHECK_FALSE(d.SetNewMemClock(mhz));
    }
    CHECK(d.SetNewMemClock(4294));
    CHECK(d.m_nNewCoreClock == 230);
    CHECK(d.m_nNewMemClock == 4294);
    for (int device : {0, 2, 3, 4}) {
        CHECK(d.SetNewOutputDevice(device));
        CHECK(d.m_nNewOutputDevice == device);
    }
    for (int device : {1, 5, -1}) {
        CHECK_FALSE(d.SetNewOutputDevice(device));
        CHECK(d.m_nNewOutputDevice == 4);
    }
    struct { int choice, width, height, bpp; } modes[] = {  // the first choice last: it is also the initial mode
        {5, 800, 600, 32}, {4, 800, 600, 16}, {3, 800, 600, 8},
        {2, 640, 480, 32}, {1, 640, 480, 16}, {0, 640, 480, 8},
    };
    for (auto m : modes) {
        CHECK(d.SetTVResolution(m.choice));
        CHECK(d.m_nTVWidth == m.width);
        CHECK(d.m_nTVHeight == m.height);
        CHECK(d.m_nTVBitsPerPel == m.bpp);
    }
    CHECK(d.SetTVResolution(6));
    CHECK(d.SetTVResolution(-1));
    CHECK(d.m_nTVWidth == 640);
    CHECK(d.m_nTVBitsPerPel == 8);

    // Open discards what was chosen.
    REQUIRE(d.Open(kDisplayName));
    CHECK(d.m_nNewCoreClock == 200);
    CHECK(d.m_nNewOutputDevice == 0);
}

TEST_CASE("every registry operation of Open failing alone: Open still succeeds with the defaults")
{
    // A registry with a value for every setting, so that every read happens.
    auto prepare = [](fake::FakeSystem& s) {
        const std::string a = kNtAdapterKey;
        s.PutDword(a + "\\OpenGL", "EnableFSAA", 1);
        s.PutDword(a + "\\OpenGL", "FSAAQuality", 2);
        s.PutDword(a + "\\OpenGL", "DefaultSwapInterval", 0xFFFFFFFFu);
        s.PutDword(a + "\\Direct3D", "VSYNCENABLE", 0);
        s.PutDword(a + "\\Direct3D", "VSYNCMODE", 2);
        s.PutDword(a + "\\DirectDraw", "VideoBusMasterMode", 3);
        s.PutDword("SOFTWARE\\NVIDIA Corporation\\Global\\System", "EnableVia4X", 1);
        s.PutString("Software\\Microsoft\\Windows\\CurrentVersion\\Run", "NvInitialize",
                    "RUNDLL32.EXE NVQTWK.DLL,NvXTInit");
    };
    std::size_t total = 0;
    {
        Rig rig;
        prepare(rig.system);
        rig.system.registryCalls.clear();
        REQUIRE(rig.driver.Open(kDisplayName));
        for (const fake::RegCall& c : rig.system.registryCalls)
            total += c.op != fake::RegCall::kClose && c.key.find("Marovex") == std::string::npos;
    }
    REQUIRE(total > 20);
    for (std::size_t failing = 0; failing < total; ++failing) {
        CAPTURE(failing);
        Rig rig;
        prepare(rig.system);
        std::size_t seen = 0;
        rig.system.failRegistryWhen = [&](const fake::RegCall& c) {
            if (c.key.find("Marovex") != std::string::npos)
                return false;
            return seen++ == failing;
        };
        CHECK(rig.driver.Open(kDisplayName));
        CHECK(rig.driver.GetLastErrorText() == "None");
        const CDisplayDriver& d = rig.driver;
        CHECK(d.m_nNewOpenGLFSAA == d.m_nOpenGLFSAA);
        CHECK(d.m_bNewD3DVSync == d.m_bD3DVSync);
        CHECK(d.m_nNewAGPRate == d.m_nAGPRate);
        CHECK(d.m_bNewApplyAtStartup == d.m_bApplyAtStartup);
        CHECK(d.GetDefaultCoreClock() == 200);
        CHECK(rig.system.OpenKeys() == 0);
    }
}
