// Fuzz target: the driver core against whatever a user's machine can hold.
// Each input becomes a world: registry values of any type and size under
// the driver's keys (or keys that refuse to open), a board whose requests
// can fail anywhere, display escapes that answer anything, and the user's
// answers to the questions.  In that world the core opens the session,
// applies pending settings taken from the input, and tests clocks; after
// each step the checks below must hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver/display_driver.h"
#include "emulator/emulated_adapter.h"
#include "fake_system.h"
#include "platform/nv_protocol.h"
#include "platform/platform_decorator.h"

namespace {

using emulator::Request;

[[noreturn]] void Fault(const char* what, const std::string& detail = "")
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s %s\n", what, detail.c_str());
    std::abort();
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Where each value the program reads or writes lives: a subkey of the
// adapter key, or an absolute key.
struct Place {
    const char* key;
    bool underAdapter;
    const char* value;
};
const Place kPlaces[] = {
    {"\\OpenGL", true, "EnableFSAA"},           {"\\OpenGL", true, "FSAAQuality"},
    {"\\OpenGL", true, "DefaultSwapInterval"},  {"\\OpenGL", true, "RenderQualityFlags"},
    {"\\Direct3D", true, "ANTIALIASENABLE"},    {"\\Direct3D", true, "ANTIALIASQUALITY"},
    {"\\Direct3D", true, "VSYNCENABLE"},        {"\\Direct3D", true, "VSYNCMODE"},
    {"\\Direct3D", true, "VALIDATEZMETHOD"},    {"\\DirectDraw", true, "VideoBusMasterMode"},
    {"\\NVTweak\\Hardware", true, "Bart"},      {"\\NVTweak\\Hardware", true, "Homer"},
    {"\\NVTweak\\Hardware", true, "Krusty"},    {"\\NVTweak\\Hardware", true, "Marge"},
    {"\\NVTweak\\DisplayModes", true, "Analog Monitor"},
    {"\\NVTweak\\DisplayModes", true, "Digital Flat Panel"},
    {"\\NVTweak\\TVOut", true, "DynamicFmt"},
    {"SOFTWARE\\NVIDIA Corporation\\Global\\System", false, "EnableIrongate2x"},
    {"SOFTWARE\\NVIDIA Corporation\\Global\\System", false, "EnableVia4X"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", false, "NvInitialize"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "OldCore"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "OldMem"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "TrialCore"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "TrialMem"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "Failed Clocks"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "TestPassed"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "Passed Clocks"},
    {"SOFTWARE\\Marovex\\Clock Test", false, "Applying"},
};

std::string KeyOf(const Place& p, const std::string& adapter)
{
    return p.underAdapter ? adapter + p.key : p.key;
}

const std::set<std::string> kMessages = {
    "E1.1: Invalid video driver allocation.", "E1.2: Invalid video driver device ID.",
    "E2.1: Video driver verification failed.  Please ensure that compatible video drivers are installed.",
    "E2.2: Video driver initialization failed.  Please ensure that compatible video drivers are installed.",
    "E7.3: Video device core clock speed unavailable.", "E7.4: Video device memory clock speed unavailable.",
    "E7.5: Video device PCI ID unavailable.", "E5.1: Invalid video driver allocation.",
    "E5.2: Invalid video driver device ID.", "E5.3: Unable to set the video core clock speed.",
    "E5.4: Unable to set the video memory clock speed.", "E5.5: Unable to apply the video clock settings at startup.",
    "E5.6: Unable to remove the video clock settings from startup.", "E5.7: Unable to turn the AGP fast writes on.",
    "E5.8: Unable to turn the AGP fast writes off.", "E5.9: Unable to enable FSAA for OpenGL.",
    "CVC5.10: Unable to enable FSAA for OpenGL.", "E5.11: Unable to set the FSAA quality value for OpenGL.",
    "E5.12: Unable to enable Vsync for OpenGL.", "E5.13: Unable to enable ZBuffer for OpenGL .",
    "E5.14: Unable to set the FSAA quality value for DirectX.", "E5.15: Unable to enable VSynch for DirectX.",
    "E5.16: Unable to enable VSynch for DirectX.", "E5.17: Unable to enable ZBuffer for DirectX.",
    "E5.18: Unable to set the Overlay setting.", "E5.19: Unable to set the AGP transfer rate.",
    "E5.20: Unable to switch output devices.", "E5.21: Unable to switch output devices.",
    "E5.22: Unable to configure settings.", "E5.23: Unable to load USER32.DLL library.",
    "E5.24: Unable to change display setting.", "E6.1: Invalid video driver allocation.",
    "E6.2: Invalid video driver device ID.", "E6.3: Unable to set the video core clock speed.",
    "E6.4: Unable to set the video memory clock speed.", "E6.10: Unable to record the clock test in the registry.", "E6.5: Unable to load USER32.DLL library.",
    "E5.6: Unable to change display setting.", "E6.7: Unable to reset the video core clock speed.",
    "E6.8: Unable to reset the video memory clock speed.", "E6.9: Unable to load USER32.DLL library.",
    "E5.10: Unable to change display setting.", "E: Unable to load USER32.DLL library.",
    CDisplayDriver::kSettingsBusy, CDisplayDriver::kNothingTested,
};

void CheckMessage(const CDisplayDriver& d, const char* step)
{
    if (!kMessages.count(d.GetLastErrorText()))
        Fault(step, "failed without a message of its own: " + d.GetLastErrorText());
}

// Display escapes that answer with bytes from the input.
class WildEscapes : public platform::PlatformDecorator {
public:
    WildEscapes(platform::Platform& inner, FuzzedDataProvider& in) : PlatformDecorator(inner)
    {
        for (int& mode : m_mode)
            mode = in.ConsumeIntegralInRange(0, 3);  // 0: the board answers
        m_reply = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange(0, 160));
    }

    int ExtEscape(platform::DeviceContext dc, int escape, int inSize, const void* in, int outSize,
                  void* out) override
    {
        int slot = -1;
        switch (escape) {
        case nv::kEscVerify: slot = 0; break;
        case nv::kEscIdentify: slot = 1; break;
        case nv::kEscAdapterKey: slot = 2; break;
        case nv::kEscRefreshRate: slot = 3; break;
        case nv::kEscSetOutputMode: slot = 4; break;
        case nv::kEscOutputDevice: slot = 5; break;
        default: break;
        }
        if (slot < 0 || m_mode[slot] == 0)
            return PlatformDecorator::ExtEscape(dc, escape, inSize, in, outSize, out);
        if (m_mode[slot] == 1)
            return 0;  // no answer at all
        // Whatever the reply holds, as much as the caller made room for.
        std::size_t n = std::min<std::size_t>(m_reply.size(), outSize > 0 ? static_cast<std::size_t>(outSize) : 0);
        if (out && n)
            std::memcpy(out, m_reply.data(), n);
        return m_mode[slot] == 2 ? 1 : -1;
    }

private:
    int m_mode[6];
    std::vector<unsigned char> m_reply;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    fake::FakeSystem system;
    system.platformId = in.ConsumeBool() ? platform::kVerPlatformWin32Windows : platform::kVerPlatformWin32Nt;
    system.tickCount = in.ConsumeIntegral<std::uint32_t>();

    // The board.
    emulator::EmulatedAdapter board(system);
    emulator::AdapterState state;
    state.pciId = in.ConsumeIntegral<std::uint32_t>();
    state.coreClockHz = in.ConsumeIntegralInRange<std::uint32_t>(1, 400) * 1000000u;
    state.memClockHz = in.ConsumeIntegralInRange<std::uint32_t>(1, 400) * 1000000u;
    state.monitorAttached = in.ConsumeBool();
    state.tvAttached = in.ConsumeBool();
    state.flatPanelAttached = in.ConsumeBool();
    state.outputDevice = in.PickValueInArray({0u, 2u, 3u, 4u});
    board.Reset(state);

    // The registry: each value the program knows, maybe, of any type and size.
    const std::string adapter = system.platformId == platform::kVerPlatformWin32Windows
                                    ? "System\\CurrentControlSet\\Services\\Class\\Display\\0000"
                                    : "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";
    for (const Place& p : kPlaces) {
        if (!in.ConsumeBool())
            continue;
        const std::uint32_t type = in.ConsumeIntegralInRange<std::uint32_t>(0, 11);
        std::vector<unsigned char> bytes = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange(0, 80));
        system.PutValue(KeyOf(p, adapter), p.value, type, bytes.data(), bytes.size());
    }
    system.PutKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    // Keys that refuse some operations: a bit set per key and operation.
    std::vector<std::pair<std::string, unsigned>> refusing;
    for (const char* key : {"\\OpenGL", "\\Direct3D", "\\DirectDraw", "\\NVTweak\\Hardware", "\\NVTweak\\DisplayModes",
                            "\\NVTweak\\TVOut", "SOFTWARE\\NVIDIA Corporation\\Global\\System",
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Run"}) {
        unsigned ops = in.ConsumeBool() ? in.ConsumeIntegral<std::uint8_t>() : 0;
        if (ops)
            refusing.emplace_back(Lower(key[0] == '\\' ? adapter + key : std::string(key)), ops);
    }
    system.failRegistryWhen = [&](const fake::RegCall& call) {
        for (const auto& r : refusing)
            if (Lower(call.key) == r.first && (r.second >> call.op) & 1)
                return true;
        return false;
    };

    // Requests that fail: one bit of the plan per request, the plan repeating.
    std::vector<std::uint8_t> plan = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 16));
    std::size_t requestNo = 0;
    std::vector<Request> refused;
    board.FailWhen([&](const Request& r) {
        if (plan.empty())
            return false;
        const std::size_t bit = requestNo++ % (plan.size() * 8);
        const bool fail = (plan[bit / 8] >> (bit % 8)) & 1;
        if (fail)
            refused.push_back(r);
        return fail;
    });
    for (int i = 0; i < 4; ++i)
        system.messageBoxAnswers.push_back(in.PickValueInArray({platform::kIdYes, platform::kIdNo, 0}));

    WildEscapes os(board, in);
    CDisplayDriver d(os, system, 0x1234);

    // 1. Open.
    const bool opened = d.Open("\\\\.\\Display1");
    if (!opened)
        CheckMessage(d, "Open");
    if (opened) {
        // Another program may be changing the settings: then neither the
        // apply nor the test below may write anything.
        system.lockedElsewhere = in.ConsumeIntegralInRange(0, 3) == 0;
        const std::size_t callsBefore = system.registryCalls.size();
        const auto boardBefore = board.State();

        // 2. Apply pending settings taken from the input.
        if (in.ConsumeBool()) d.SetNewCoreClock(in.ConsumeIntegralInRange(-10, 5000));
        if (in.ConsumeBool()) d.SetNewMemClock(in.ConsumeIntegralInRange(-10, 5000));
        const bool clocksAccepted = in.ConsumeBool();
        if (clocksAccepted)
            d.AcceptClocks(d.m_nNewCoreClock, d.m_nNewMemClock);
        if (in.ConsumeBool()) d.SetNewApplyAtStartup(in.ConsumeBool());
        if (in.ConsumeBool()) d.m_bNewFastWrites = in.ConsumeBool();
        if (in.ConsumeBool()) d.SetNewOpenGLFSAA(in.ConsumeIntegralInRange(-2, 3));
        if (in.ConsumeBool()) d.SetNewOpenGLVSync(in.ConsumeBool());
        if (in.ConsumeBool()) d.m_bNewOpenGLZBuffer = in.ConsumeBool();
        if (in.ConsumeBool()) d.SetNewD3DFSAA(in.PickValueInArray({0, 2, 4, 9, 3}));
        if (in.ConsumeBool()) d.SetNewD3DVSync(in.ConsumeBool());
        if (in.ConsumeBool()) d.m_bNewD3DZBuffer = in.ConsumeBool();
        if (in.ConsumeBool()) d.SetNewOverlayMode(in.ConsumeIntegralInRange(0, 4));
        if (in.ConsumeBool()) d.m_nNewAGPRate = in.PickValueInArray({1, 2, 4, 3});
        if (in.ConsumeBool()) d.SetNewOutputDevice(in.ConsumeIntegralInRange(-1, 5));
        d.m_nTVConnector = in.ConsumeIntegralInRange(0, 2);
        d.SetTVResolution(in.ConsumeIntegralInRange(0, 6));

        const bool glVSyncChanged = d.m_bNewOpenGLVSync != d.m_bOpenGLVSync;
        const bool fastWritesChanged = d.m_bNewFastWrites != d.m_bFastWrites;
        const auto boardBeforeApply = board.State();
        const bool applied = d.ApplySettings();
        if (!applied)
            CheckMessage(d, "ApplySettings");
        // Only clocks that passed a test (or were accepted) reach the board.
        if (!clocksAccepted
            && (board.State().coreClockHz != boardBeforeApply.coreClockHz
                || board.State().memClockHz != boardBeforeApply.memClockHz))
            Fault("ApplySettings", "put clocks on the board that passed no test");
        // A registry setting whose pending value still differs was not
        // written: that is a failure and must be reported.
        const bool registryOpen = d.m_nNewOpenGLFSAA != d.m_nOpenGLFSAA || d.m_bNewOpenGLVSync != d.m_bOpenGLVSync
                                  || d.m_bNewOpenGLZBuffer != d.m_bOpenGLZBuffer || d.m_bNewD3DVSync != d.m_bD3DVSync
                                  || d.m_bNewD3DZBuffer != d.m_bD3DZBuffer || d.m_nNewOverlayMode != d.m_nOverlayMode
                                  || d.m_nNewAGPRate != d.m_nAGPRate || d.m_bNewFastWrites != d.m_bFastWrites;
        if (registryOpen && applied)
            Fault("ApplySettings", "left a setting unwritten yet reported success");
        // A committed setting is stored as it was written.
        const std::string gl = adapter + "\\OpenGL";
        if (glVSyncChanged && std::string(d.m_szAdapterKey) == adapter && d.m_bNewOpenGLVSync == d.m_bOpenGLVSync) {
            const fake::RegValue* v = system.FindValue(gl, "DefaultSwapInterval");
            if (v && v->type == platform::kRegDword && v->data.size() == 4) {
                std::uint32_t stored;
                std::memcpy(&stored, v->data.data(), 4);
                if ((stored <= 1) != d.m_bOpenGLVSync)
                    Fault("ApplySettings", "OpenGL vertical sync committed but stored otherwise");
            }
        }
        if (fastWritesChanged && d.m_bNewFastWrites == d.m_bFastWrites
            && (board.State().fastWrites != 0) != d.m_bFastWrites)
            Fault("ApplySettings", "fast writes committed but the board has others");

        // 3. A clock test: whatever fails, the board ends at its old clocks
        // to the hertz, or the test says that it could not put them back;
        // and clocks beyond what the board survives never pass while they
        // ran on it.
        const std::uint32_t coreBefore = board.State().coreClockHz;
        const std::uint32_t memBefore = board.State().memClockHz;
        d.SetNewCoreClock(in.ConsumeIntegralInRange(1, 400));
        d.SetNewMemClock(in.ConsumeIntegralInRange(1, 400));
        const bool survivable = d.m_nNewCoreClock <= static_cast<int>(board.State().stableCoreMHz)
                                && d.m_nNewMemClock <= static_cast<int>(board.State().stableMemMHz);
        refused.clear();
        const std::string textBefore = d.GetLastErrorText();
        const bool tested = d.TestClockSpeeds();
        if (!tested && d.GetLastErrorText() != textBefore)
            CheckMessage(d, "TestClockSpeeds");
        if ((board.State().coreClockHz != coreBefore || board.State().memClockHz != memBefore)
            && d.GetRestoreErrorText().empty())
            Fault("TestClockSpeeds", "left a clock off its old value without saying so");
        const bool trialRefused = std::any_of(refused.begin(), refused.end(), [](const Request& r) {
            return r.code == nv::kFnRmConfigSet || r.kind == Request::kDisplaySettings;
        });
        if (tested && !survivable && !trialRefused && !system.lockedElsewhere && !system.clockTestRuns.empty())
            Fault("TestClockSpeeds", "passed clocks the board does not survive");

        if (system.lockedElsewhere) {
            for (std::size_t i = callsBefore; i < system.registryCalls.size(); ++i)
                if (system.registryCalls[i].op == fake::RegCall::kSet
                    || system.registryCalls[i].op == fake::RegCall::kDelete)
                    Fault("ApplySettings/TestClockSpeeds", "wrote while another program held the settings lock");
            if (board.State().coreClockHz != boardBefore.coreClockHz
                || board.State().memClockHz != boardBefore.memClockHz)
                Fault("ApplySettings/TestClockSpeeds", "changed the clocks while another program held the lock");
        }
    }
    if (system.settingsLocks != 0)
        Fault("the session", "left the settings lock held");

    // 4. Nothing is written outside the keys and values the program keeps.
    const std::string actual = d.m_szAdapterKey;
    for (const fake::RegCall& call : system.registryCalls) {
        if (call.op != fake::RegCall::kSet && call.op != fake::RegCall::kDelete && call.op != fake::RegCall::kCreate)
            continue;
        const std::string key = Lower(call.key);
        if (key == Lower(emulator::kStateKey))
            continue;
        bool documented = false;
        for (const Place& p : kPlaces)
            documented = documented
                         || (key == Lower(KeyOf(p, actual))
                             && (call.op == fake::RegCall::kCreate || Lower(call.value) == Lower(p.value)));
        if (!documented)
            Fault("write", call.key + " / " + call.value);
    }
    return 0;
}
