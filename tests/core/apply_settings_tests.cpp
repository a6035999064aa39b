#include <doctest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "driver/registry_layout.h"
#include "platform/nv_protocol.h"
#include "rig.h"

using emulator::Request;
using fake::RegCall;

namespace {

const std::string kAdapter = kNtAdapterKey;
const std::string kOpenGL = kAdapter + "\\OpenGL";
const std::string kD3D = kAdapter + "\\Direct3D";
const std::string kHardware = kAdapter + "\\NVTweak\\Hardware";
const std::string kTVOut = kAdapter + "\\NVTweak\\TVOut";
constexpr const char* kGlobal = "SOFTWARE\\NVIDIA Corporation\\Global\\System";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The registry outside the emulated board's own key.
std::map<std::string, fake::RegValue> DriverValues(const fake::FakeSystem& system)
{
    std::map<std::string, fake::RegValue> values = system.Values();
    const std::string own = "software\\marovex\\";  // the program's and the emulated board's
    for (auto it = values.begin(); it != values.end();)
        it = it->first.rfind(own, 0) == 0 ? values.erase(it) : std::next(it);
    return values;
}


// Every setting changed, the clocks tested, the output moved to the TV.
void ChangeEverything(CDisplayDriver& d)
{
    StageTestedClocks(d, 210, 180);
    d.SetNewApplyAtStartup(true);
    d.m_bNewFastWrites = true;
    d.SetNewOpenGLFSAA(2);
    d.SetNewOpenGLVSync(false);
    d.m_bNewOpenGLZBuffer = true;
    d.SetNewD3DFSAA(9);
    d.SetNewD3DVSync(false);
    d.m_bNewD3DZBuffer = true;
    d.SetNewOverlayMode(3);
    d.m_nNewAGPRate = 4;
    d.SetNewOutputDevice(2);
}

// The settings whose pending value differs from the current one.
std::set<std::string> Uncommitted(const CDisplayDriver& d)
{
    std::set<std::string> open;
    if (d.m_nNewCoreClock != d.m_nCoreClock) open.insert("core");
    if (d.m_nNewMemClock != d.m_nMemClock) open.insert("mem");
    if (d.m_bNewApplyAtStartup != d.m_bApplyAtStartup) open.insert("startup");
    if (d.m_bNewFastWrites != d.m_bFastWrites) open.insert("fastwrites");
    if (d.m_nNewOpenGLFSAA != d.m_nOpenGLFSAA) open.insert("glfsaa");
    if (d.m_bNewOpenGLVSync != d.m_bOpenGLVSync) open.insert("glvsync");
    if (d.m_bNewOpenGLZBuffer != d.m_bOpenGLZBuffer) open.insert("glz");
    if (d.m_nNewD3DFSAA != d.m_nD3DFSAA) open.insert("d3dfsaa");
    if (d.m_bNewD3DVSync != d.m_bD3DVSync) open.insert("d3dvsync");
    if (d.m_bNewD3DZBuffer != d.m_bD3DZBuffer) open.insert("d3dz");
    if (d.m_nNewOverlayMode != d.m_nOverlayMode) open.insert("overlay");
    if (d.m_nNewAGPRate != d.m_nAGPRate) open.insert("agp");
    if (d.m_nNewOutputDevice != d.m_nOutputDevice) open.insert("output");
    return open;
}

// What one failing write or request must leave behind.
struct Expected {
    bool result;
    const char* message;  // nullptr: "None"
    std::set<std::string> uncommitted;
    std::set<std::string> missing;  // "key\value" written by a full apply but not by this one
};

const std::set<std::string> kAll = {"core", "mem", "fastwrites", "glfsaa", "glvsync", "glz", "d3dfsaa",
                                    "d3dvsync", "d3dz", "overlay", "agp", "output"};

std::string V(const std::string& key, const char* value)
{
    return Lower(key + "\\" + value);
}

}  // namespace

TEST_CASE("nothing changed: no write, no request, true")
{
    OpenedRig rig;
    CHECK(rig.driver.ApplySettings());
    CHECK(rig.Writes() == 0);
    CHECK(rig.adapter.Requests().empty());
}

TEST_CASE("only the start-up flag: the Run value, Krusty from the current clocks, and Marge")
{
    OpenedRig rig;
    rig.driver.SetNewApplyAtStartup(true);
    CHECK(rig.driver.ApplySettings());
    const fake::RegValue* run = rig.system.FindValue(kRun, "NvInitialize");
    REQUIRE(run);
    CHECK(run->type == platform::kRegSz);
    const char command[] = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";
    CHECK(run->data == std::vector<unsigned char>(command, command + sizeof command));
    CHECK(rig.system.Dword(kHardware, "Krusty")
          == driver::ScrambleClocks(200, 166, 0x0110, rig.driver.m_dwClockSalt));
    CHECK(rig.system.Dword(kHardware, "Marge") == 1);
    for (const Request& r : rig.adapter.Requests()) {
        CHECK(r.code != nv::kFnRmConfigSet);
        CHECK(r.kind != Request::kDisplaySettings);
    }

    // Off again: only the Run value goes.
    rig.driver.SetNewApplyAtStartup(false);
    CHECK(rig.driver.ApplySettings());
    CHECK(rig.system.FindValue(kRun, "NvInitialize") == nullptr);
    CHECK(rig.system.FindValue(kHardware, "Krusty") != nullptr);
    CHECK(rig.system.FindValue(kHardware, "Marge") != nullptr);
}

TEST_CASE("new clocks without a passed test are skipped silently")
{
    OpenedRig rig;
    rig.driver.SetNewCoreClock(220);
    rig.driver.SetNewApplyAtStartup(true);
    CHECK(rig.driver.ApplySettings());
    CHECK(rig.driver.GetCoreClock() == 200);
    CHECK(rig.driver.m_nNewCoreClock == 220);
    CHECK(rig.adapter.State().coreClockHz == 200000000);
    CHECK(rig.system.Dword(kHardware, "Krusty")
          == driver::ScrambleClocks(200, 166, 0x0110, rig.driver.m_dwClockSalt));
    CHECK(rig.driver.GetLastErrorText() == "None");
}

TEST_CASE("the requests in order, and one display reset after the client is freed")
{
    for (std::uint32_t family : {platform::kVerPlatformWin32Nt, platform::kVerPlatformWin32Windows}) {
        CAPTURE(family);
        OpenedRig rig(family);
        StageTestedClocks(rig.driver, 210, 180);
        rig.driver.m_bNewFastWrites = true;
        REQUIRE(rig.driver.ApplySettings());
        std::vector<std::string> seen;
        for (const Request& r : rig.adapter.Requests())
            seen.push_back(std::to_string(r.kind) + ":" + std::to_string(r.code) + ":" + std::to_string(r.item));
        const std::vector<std::string> expected = {"0:1:0", "0:6:0", "0:14:253", "0:14:251", "0:14:47",
                                                   "0:0:0", "2:0:0"};
        CHECK(seen == expected);
        CHECK(rig.adapter.State().coreClockHz == 210000000);
        CHECK(rig.adapter.State().memClockHz == 180000000);
        CHECK(rig.adapter.State().fastWrites == 1);
        CHECK(rig.adapter.OpenClients() == 0);
    }
}

TEST_CASE("settings are written as the driver keeps them")
{
    OpenedRig rig;
    CDisplayDriver& d = rig.driver;
    d.SetNewOpenGLFSAA(2);
    d.SetNewOpenGLVSync(false);
    d.SetNewD3DFSAA(9);
    d.m_nNewAGPRate = 2;
    REQUIRE(d.ApplySettings());
    CHECK(rig.system.Dword(kOpenGL, "EnableFSAA") == 1);
    CHECK(rig.system.Dword(kOpenGL, "FSAAQuality") == 2);
    CHECK(rig.system.Dword(kOpenGL, "DefaultSwapInterval") == 0xFFFFFFFFu);
    CHECK(rig.system.Dword(kD3D, "ANTIALIASENABLE") == 2);
    CHECK(rig.system.Dword(kD3D, "ANTIALIASQUALITY") == 5);
    CHECK(rig.system.Dword(kGlobal, "EnableIrongate2x") == 1);

    d.SetNewOpenGLFSAA(-1);
    d.SetNewD3DFSAA(0);
    d.m_nNewAGPRate = 4;
    REQUIRE(d.ApplySettings());
    CHECK(rig.system.Dword(kOpenGL, "EnableFSAA") == 0);
    CHECK(rig.system.FindValue(kOpenGL, "FSAAQuality") == nullptr);
    CHECK(rig.system.Dword(kD3D, "ANTIALIASENABLE") == 0);
    CHECK(rig.system.FindValue(kD3D, "ANTIALIASQUALITY") == nullptr);
    CHECK(rig.system.FindValue(kGlobal, "EnableIrongate2x") == nullptr);
    CHECK(rig.system.Dword(kGlobal, "EnableVia4X") == 1);

    d.m_nNewAGPRate = 1;
    d.SetNewD3DFSAA(4);
    REQUIRE(d.ApplySettings());
    CHECK(rig.system.FindValue(kGlobal, "EnableVia4X") == nullptr);
    CHECK(rig.system.Dword(kD3D, "ANTIALIASQUALITY") == 3);
    for (const int from : {4, 2}) {  // to 2x from 4x, and back to 1x from 2x: the other switch goes
        d.m_nNewAGPRate = from;
        REQUIRE(d.ApplySettings());
        d.m_nNewAGPRate = from == 4 ? 2 : 1;
        REQUIRE(d.ApplySettings());
        CHECK(rig.system.FindValue(kGlobal, "EnableVia4X") == nullptr);
        CHECK((rig.system.FindValue(kGlobal, "EnableIrongate2x") != nullptr) == (from == 4));
    }

    // What is written reads back as what was chosen.
    d.SetNewOpenGLFSAA(1);
    d.SetNewOverlayMode(3);
    d.SetNewD3DVSync(false);
    REQUIRE(d.ApplySettings());
    REQUIRE(d.Open(kDisplayName));
    CHECK(d.GetOpenGLFSAA() == 1);
    CHECK(d.GetD3DFSAA() == 4);
    CHECK(d.GetOverlayMode() == 3);
    CHECK_FALSE(d.GetD3DVSync());
    CHECK(d.m_nAGPRate == 1);
}

TEST_CASE("Direct3D vertical sync goes to the value the driver uses")
{
    OpenedRig rig;
    rig.driver.m_bUseVSyncMode = true;
    rig.driver.SetNewD3DVSync(false);
    REQUIRE(rig.driver.ApplySettings());
    CHECK(rig.system.Dword(kD3D, "VSYNCMODE") == 0);
    CHECK(rig.system.FindValue(kD3D, "VSYNCENABLE") == nullptr);
}

TEST_CASE("an older device gets no Direct3D FSAA written; device 0x0100 is the first that does")
{
    for (const std::uint32_t device : {0x00A0u, 0x0100u}) {
        CAPTURE(device);
        Rig rig;
        rig.system.PutKey(kRun);
        emulator::AdapterState board;
        board.pciId = device << 16 | 0x10DE;
        rig.adapter.Reset(board);
        REQUIRE(rig.driver.Open(kDisplayName));
        rig.driver.SetNewD3DFSAA(9);
        CHECK(rig.driver.ApplySettings());
        CHECK((rig.system.FindValue(kD3D, "ANTIALIASENABLE") != nullptr) == (device == 0x0100));
        CHECK((rig.driver.m_nNewD3DFSAA == rig.driver.m_nD3DFSAA) == (device == 0x0100));
    }
}

TEST_CASE("a Run key that cannot be opened gives E5.6")
{
    OpenedRig rig;
    rig.driver.SetNewOverlayMode(2);
    rig.system.failRegistryWhen = [](const RegCall& c) { return c.op == RegCall::kOpen && Lower(c.key) == Lower(kRun); };
    CHECK_FALSE(rig.driver.ApplySettings());
    CHECK(rig.driver.GetLastErrorText() == "E5.6: Unable to remove the video clock settings from startup.");
    CHECK(rig.driver.GetOverlayMode() == 2);
}

TEST_CASE("a display library or function that is missing ends the apply with its message")
{
    for (auto what : {DisplayLibraryGone::kLibrary, DisplayLibraryGone::kFunction}) {
        const bool noLibrary = what == DisplayLibraryGone::kLibrary;
        Rig rig;
        rig.system.PutKey(kRun);
        DisplayLibraryGone os(rig.adapter, what);
        CDisplayDriver d(os, rig.system, 0);
        REQUIRE(d.Open(kDisplayName));
        StageTestedClocks(d, 210, 166);
        CHECK_FALSE(d.ApplySettings());
        CHECK(d.GetLastErrorText()
              == (noLibrary ? "E5.23: Unable to load USER32.DLL library." : "E5.24: Unable to change display setting."));
        CHECK(d.GetCoreClock() == 210);  // the clock itself was written
        CHECK(os.held == 0);              // a library without the function is let go
    }
    // Every library is let go after a change that worked: the display's, and
    // the driver's own on the 9x family.
    for (std::uint32_t family : {platform::kVerPlatformWin32Nt, platform::kVerPlatformWin32Windows}) {
        Rig rig(family);
        rig.system.PutKey(kRun);
        DisplayLibraryGone os(rig.adapter, DisplayLibraryGone::kLibrary, 1000);
        CDisplayDriver d(os, rig.system, 0);
        REQUIRE(d.Open(kDisplayName));
        StageTestedClocks(d, 210, 166);
        CHECK(d.ApplySettings());
        CHECK(os.loads > 0);
        CHECK(os.held == 0);
    }
}

TEST_CASE("the reset after new clocks: no mode, CDS_RESET, on the verified display")
{
    OpenedRig rig;
    StageTestedClocks(rig.driver, 210, 166);
    REQUIRE(rig.driver.ApplySettings());
    std::vector<Request> resets;
    for (const Request& r : rig.adapter.Requests())
        if (r.kind == Request::kDisplaySettings)
            resets.push_back(r);
    REQUIRE(resets.size() == 1);
    CHECK(resets[0].fields.empty());
    CHECK(resets[0].flags == platform::kCdsReset);
    CHECK(resets[0].device == kDisplayName);
}

TEST_CASE("Krusty is always scrambled with the stored Homer")
{
    // The salt is deleted, or replaced by another, while the window runs.
    for (bool deleted : {true, false}) {
        CAPTURE(deleted);
        OpenedRig rig;
        fake::FakeSystem& sys = rig.system;
        const std::uint32_t salt = rig.driver.m_dwClockSalt;
        if (deleted) {
            platform::RegKey key = 0;
            REQUIRE(sys.RegOpenKeyExA(platform::kHKeyLocalMachine, kHardware.c_str(), 0, platform::kKeyAllAccess, &key) == 0);
            REQUIRE(sys.RegDeleteValueA(key, "Homer") == 0);
            sys.RegCloseKey(key);
        } else {
            sys.PutDword(kHardware, "Homer", salt ^ 0x5555);
        }
        StageTestedClocks(rig.driver, 210, 166);
        rig.driver.SetNewApplyAtStartup(true);
        REQUIRE(rig.driver.ApplySettings());
        const std::uint32_t stored = sys.Dword(kHardware, "Homer");
        CHECK(stored == salt);
        std::uint16_t core = 0, mem = 0;
        driver::UnscrambleClocks(sys.Dword(kHardware, "Krusty"), rig.driver.m_wDeviceID, stored, &core, &mem);
        CHECK(core == 210);
        CHECK(mem == 166);
        // The baseline is not captured again at the next reload.
        const std::uint32_t bart = sys.Dword(kHardware, "Bart");
        REQUIRE(rig.driver.Open(kDisplayName));
        CHECK(sys.Dword(kHardware, "Bart") == bart);
        CHECK(rig.driver.GetDefaultCoreClock() == 200);
    }
}

TEST_CASE("messages of steps the full sweep does not reach")
{
    struct Case {
        const char* what;
        void (*change)(CDisplayDriver&);
        const char* failingValue;  // the registry value whose write fails; nullptr: the fast-writes request
        const char* message;
    } cases[] = {
        {"fast writes off", [](CDisplayDriver& d) { d.m_bFastWrites = true; d.m_bNewFastWrites = false; },
         nullptr, "E5.8: Unable to turn the AGP fast writes off."},
        {"OpenGL FSAA off", [](CDisplayDriver& d) { d.m_nOpenGLFSAA = 1; d.SetNewOpenGLFSAA(-1); },
         "EnableFSAA", "E5.9: Unable to enable FSAA for OpenGL."},
        {"Direct3D vertical sync kept as a mode",
         [](CDisplayDriver& d) { d.m_bUseVSyncMode = true; d.SetNewD3DVSync(!d.GetD3DVSync()); },
         "VSYNCMODE", "E5.15: Unable to enable VSynch for DirectX."},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        OpenedRig rig;
        c.change(rig.driver);
        const std::string value = c.failingValue ? c.failingValue : "";
        rig.system.failRegistryWhen = [&](const RegCall& call) { return call.op == RegCall::kSet && call.value == value; };
        rig.adapter.FailWhen([&](const Request& r) { return !c.failingValue && r.item == nv::kItemFastWrites; });
        CHECK_FALSE(rig.driver.ApplySettings());
        CHECK(rig.driver.GetLastErrorText() == c.message);
    }
}

TEST_CASE("fault sweep: each write or request of a full apply failing alone")
{
    // The full apply, all succeeding, for reference.
    std::map<std::string, fake::RegValue> complete;
    std::vector<std::string> operations;  // what can fail, in order
    {
        OpenedRig rig;
        rig.system.messageBoxAnswers = {platform::kIdYes, platform::kIdYes};
        ChangeEverything(rig.driver);
        std::map<std::string, int> count;
        rig.system.failRegistryWhen = [&](const RegCall& c) {
            if (Lower(c.key).rfind(Lower(emulator::kStateKey), 0) == 0)
                return false;
            std::string op = c.op == RegCall::kSet ? "set:" + c.value : "delete:" + c.key;
            if ((c.op == RegCall::kSet || (c.op == RegCall::kOpen && c.access == platform::kKeyAllAccess))
                && std::find(operations.begin(), operations.end(), op) == operations.end())
                operations.push_back(op);
            return false;
        };
        rig.adapter.FailWhen([&](const Request& r) {
            if (r.kind == Request::kResourceManager) {
                std::string id = "rm:" + std::to_string(r.code) + ":" + std::to_string(r.item);
                operations.push_back(id + "#" + std::to_string(++count[id]));
            }
            return false;
        });
        REQUIRE(rig.driver.ApplySettings());
        CHECK(Uncommitted(rig.driver).empty());
        complete = DriverValues(rig.system);
    }

    const std::set<std::string> startupEntry = {V(kRun, "NvInitialize"), V(kHardware, "Krusty"), V(kHardware, "Marge")};
    std::set<std::string> everything;
    for (const auto& v : complete)
        if (v.first.find("\\nvtweak\\hardware\\bart") == std::string::npos
            && v.first.find("\\nvtweak\\hardware\\homer") == std::string::npos)
            everything.insert(v.first);

    const std::map<std::string, Expected> table = {
        {"rm:1:0#1", {false, "E5.1: Invalid video driver allocation.", kAll, everything}},
        {"rm:6:0#1", {false, "E5.2: Invalid video driver device ID.", kAll, everything}},
        // The journal of an apply that sets both clocks: written first, and
        // deleted last; a delete that fails leaves it for the next start.
        {"set:OldCore", {false, CDisplayDriver::kClockJournalError, {"core", "mem"}, startupEntry}},
        {"set:OldMem", {false, CDisplayDriver::kClockJournalError, {"core", "mem"}, startupEntry}},
        {"set:TrialCore", {false, CDisplayDriver::kClockJournalError, {"core", "mem"}, startupEntry}},
        {"set:TrialMem", {false, CDisplayDriver::kClockJournalError, {"core", "mem"}, startupEntry}},
        {"set:Applying", {false, CDisplayDriver::kClockJournalError, {"core", "mem"}, startupEntry}},
        {"delete:" + std::string(layout::kClockJournalKey), {true, nullptr, {}, {}}},
        {"rm:14:253#1", {false, "E5.3: Unable to set the video core clock speed.", {"core"}, startupEntry}},
        {"rm:14:251#1", {false, "E5.4: Unable to set the video memory clock speed.", {"mem"}, startupEntry}},
        {"set:NvInitialize", {false, "E5.5: Unable to apply the video clock settings at startup.", {}, startupEntry}},
        {"set:Krusty", {false, "E5.5: Unable to apply the video clock settings at startup.", {},
                        {V(kHardware, "Krusty"), V(kHardware, "Marge")}}},
        {"set:Marge", {true, nullptr, {}, {V(kHardware, "Marge")}}},
        {"rm:14:47#1", {false, "E5.7: Unable to turn the AGP fast writes on.", {"fastwrites"}, {}}},
        {"set:EnableFSAA", {false, "CVC5.10: Unable to enable FSAA for OpenGL.", {"glfsaa"},
                            {V(kOpenGL, "EnableFSAA"), V(kOpenGL, "FSAAQuality")}}},
        {"set:FSAAQuality", {false, "E5.11: Unable to set the FSAA quality value for OpenGL.", {"glfsaa"},
                             {V(kOpenGL, "FSAAQuality")}}},
        {"set:DefaultSwapInterval", {false, "E5.12: Unable to enable Vsync for OpenGL.", {"glvsync"},
                                     {V(kOpenGL, "DefaultSwapInterval")}}},
        {"set:RenderQualityFlags", {false, "E5.13: Unable to enable ZBuffer for OpenGL .", {"glz"},
                                    {V(kOpenGL, "RenderQualityFlags")}}},
        {"set:ANTIALIASENABLE", {false, "E5.14: Unable to set the FSAA quality value for DirectX.", {"d3dfsaa"},
                                 {V(kD3D, "ANTIALIASENABLE"), V(kD3D, "ANTIALIASQUALITY")}}},
        {"set:ANTIALIASQUALITY", {false, "E5.14: Unable to set the FSAA quality value for DirectX.", {"d3dfsaa"},
                                  {V(kD3D, "ANTIALIASQUALITY")}}},
        {"set:VSYNCENABLE", {false, "E5.16: Unable to enable VSynch for DirectX.", {"d3dvsync"},
                             {V(kD3D, "VSYNCENABLE")}}},
        {"set:VALIDATEZMETHOD", {false, "E5.17: Unable to enable ZBuffer for DirectX.", {"d3dz"},
                                 {V(kD3D, "VALIDATEZMETHOD")}}},
        {"set:VideoBusMasterMode", {false, "E5.18: Unable to set the Overlay setting.", {"overlay"},
                                    {V(kAdapter + "\\DirectDraw", "VideoBusMasterMode")}}},
        {"set:EnableVia4X", {false, "E5.19: Unable to set the AGP transfer rate.", {"agp"}, {V(kGlobal, "EnableVia4X")}}},
        {"delete:" + std::string(kGlobal), {true, nullptr, {}, {}}},
        {"rm:14:79#1", {false, "E5.20: Unable to switch output devices.", {}, {}}},
        {"rm:14:90#1", {true, nullptr, {}, {}}},
        {"rm:13:134#1", {false, "E5.21: Unable to switch output devices.", {"output"}, {V(kTVOut, "DynamicFmt")}}},
        {"set:DynamicFmt", {true, nullptr, {}, {V(kTVOut, "DynamicFmt")}}},
        {"rm:0:0#1", {true, nullptr, {}, {}}},
    };

    REQUIRE(operations.size() == table.size());
    for (const std::string& op : operations) {
        CAPTURE(op);
        auto expected = table.find(op);
        REQUIRE(expected != table.end());

        OpenedRig rig;
        rig.system.messageBoxAnswers = {platform::kIdYes, platform::kIdYes};
        ChangeEverything(rig.driver);
        std::map<std::string, int> count;
        rig.system.failRegistryWhen = [&](const RegCall& c) {
            if (Lower(c.key).rfind(Lower(emulator::kStateKey), 0) == 0)
                return false;
            return (c.op == RegCall::kSet && op == "set:" + c.value)
                   || (c.op == RegCall::kOpen && c.access == platform::kKeyAllAccess && op == "delete:" + c.key);
        };
        rig.adapter.FailWhen([&](const Request& r) {
            if (r.kind != Request::kResourceManager)
                return false;
            std::string id = "rm:" + std::to_string(r.code) + ":" + std::to_string(r.item);
            return op == id + "#" + std::to_string(++count[id]);
        });

        CHECK(rig.driver.ApplySettings() == expected->second.result);
        CHECK(rig.driver.GetLastErrorText() == (expected->second.message ? expected->second.message : "None"));
        CHECK(Uncommitted(rig.driver) == expected->second.uncommitted);

        std::map<std::string, fake::RegValue> left = complete;
        for (const std::string& gone : expected->second.missing)
            left.erase(gone);
        std::map<std::string, fake::RegValue> actual = DriverValues(rig.system);
        std::set<std::string> actualNames, expectedNames;
        for (const auto& v : actual) actualNames.insert(v.first);
        for (const auto& v : left) expectedNames.insert(v.first);
        CHECK(actualNames == expectedNames);
        CHECK(rig.adapter.OpenClients() <= (op == "rm:0:0#1" ? 1u : 0u));
        CHECK(rig.system.OpenKeys() == 0);
    }
}

TEST_CASE("new clocks go on the board as a pair, even when another program changed the other clock")
{
    OpenedRig rig;
    StageTestedClocks(rig.driver, 220, 166);  // the memory clock as this session read it
    emulator::AdapterState board = rig.adapter.State();
    board.memClockHz = 180000000;  // set by another program meanwhile
    rig.adapter.Reset(board);
    REQUIRE(rig.driver.ApplySettings());
    CHECK(rig.adapter.State().coreClockHz == 220000000);
    CHECK(rig.adapter.State().memClockHz == 166000000);
    // A board that still runs the other clock gets the changed one alone.
    StageTestedClocks(rig.driver, 230, 166);
    rig.adapter.ClearRequests();
    REQUIRE(rig.driver.ApplySettings());
    for (const Request& r : rig.adapter.Requests())
        CHECK_FALSE((r.code == nv::kFnRmConfigSet && r.item == nv::kItemMemClock));
}

TEST_CASE("a setting changed alone is applied")
{
    const std::function<void(CDisplayDriver&)> changes[] = {
        [](CDisplayDriver& d) { d.SetNewD3DFSAA(9); },
        [](CDisplayDriver& d) { d.SetNewD3DVSync(!d.GetD3DVSync()); },
        [](CDisplayDriver& d) { d.m_bNewD3DZBuffer = !d.m_bD3DZBuffer; },
        [](CDisplayDriver& d) { d.SetNewOpenGLFSAA(2); },
        [](CDisplayDriver& d) { d.SetNewOpenGLVSync(!d.GetOpenGLVSync()); },
        [](CDisplayDriver& d) { d.m_bNewOpenGLZBuffer = !d.m_bOpenGLZBuffer; },
        [](CDisplayDriver& d) { d.SetNewOverlayMode(3); },
        [](CDisplayDriver& d) { d.m_nNewAGPRate = 4; },
        [](CDisplayDriver& d) { d.m_bNewFastWrites = !d.m_bFastWrites; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        CAPTURE(i);
        OpenedRig rig;
        changes[i](rig.driver);
        REQUIRE(rig.driver.ApplySettings());
        std::size_t sets = 0;
        for (const Request& r : rig.adapter.Requests())
            sets += r.code == nv::kFnRmConfigSet;
        CHECK(rig.Writes() + sets > 0);
    }
}

TEST_CASE("an apply that sets both clocks keeps the pair before it in a journal until both are set")
{
    OpenedRig rig;
    StageTestedClocks(rig.driver, 220, 180);
    // The memory clock refused: the board runs one clock of each pair.
    rig.adapter.FailWhen([](const Request& r) { return r.code == nv::kFnRmConfigSet && r.item == nv::kItemMemClock; });
    CHECK_FALSE(rig.driver.ApplySettings());
    CHECK(rig.adapter.State().coreClockHz == 220000000);
    CHECK(rig.system.Dword(layout::kClockJournalKey, "Applying") == 1);
    rig.adapter.FailWhen(nullptr);
    for (const bool bothSet : {false, true}) {
        CAPTURE(bothSet);
        Rig next;
        next.system = rig.system;
        if (bothSet) {  // killed after its clocks, before the journal went
            emulator::AdapterState board = next.adapter.State();
            board.memClockHz = 180000000;
            next.adapter.Reset(board);
        }
        CDisplayDriver driver(next.adapter, next.system, 0);
        REQUIRE(driver.Open(kDisplayName));
        CHECK(next.adapter.State().coreClockHz == (bothSet ? 220000000u : 200000000u));
        CHECK(next.adapter.State().memClockHz == (bothSet ? 180000000u : 166000000u));
        CHECK(next.system.messageBoxes.size() == (bothSet ? 0u : 1u));
        if (!bothSet)
            CHECK(next.system.messageBoxes[0].text
                  == "An apply of 220 MHz core and 180 MHz memory did not finish. The clock speeds before it, "
                     "200 MHz and 166 MHz, were restored.");
        CHECK(next.system.FindValue(layout::kClockJournalKey, "OldCore") == nullptr);
        CHECK(driver.FailedClocks().empty());
    }
    // A journal that cannot be written whole sets no clock and leaves none of itself.
    OpenedRig cut;
    StageTestedClocks(cut.driver, 220, 180);
    cut.system.failRegistryWhen = [](const fake::RegCall& c) { return c.op == fake::RegCall::kSet && c.value == "Applying"; };
    CHECK_FALSE(cut.driver.ApplySettings());
    CHECK(cut.driver.GetLastErrorText() == CDisplayDriver::kClockJournalError);
    CHECK(cut.adapter.State().coreClockHz == 200000000);
    CHECK(cut.system.FindValue(layout::kClockJournalKey, "OldCore") == nullptr);
}
