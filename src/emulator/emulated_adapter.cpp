#include "emulator/emulated_adapter.h"

#include <algorithm>
#include <cstring>

#include "emulator/display_outputs.h"
#include "platform/nv_protocol.h"

namespace emulator {
namespace {

// Handles that stand for the driver's resource-manager library and its entry.
constexpr platform::Module kRmLibrary = 0x4E560000u;
constexpr platform::Procedure kRmEntry = 0x4E560009u;
// The system library with the display-settings functions, and those functions.
constexpr platform::Module kDisplayLibrary = 0x55530000u;
constexpr platform::Procedure kChangeDisplaySettingsEx = 0x55530001u;
constexpr platform::Procedure kChangeDisplaySettings = 0x55530002u;

const char* AdapterKeyFor(std::uint32_t platformId)
{
    return platformId == platform::kVerPlatformWin32Windows
               ? "System\\CurrentControlSet\\Services\\Class\\Display\\0000"
               : "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";
}

std::uint32_t FunctionOfEscape(int escape)
{
    switch (escape) {
    case nv::kEscRmFree: return nv::kFnRmFree;
    case nv::kEscRmAllocRoot: return nv::kFnRmAllocRoot;
    case nv::kEscRmAllocDevice: return nv::kFnRmAllocDevice;
    case nv::kEscRmConfigGet: return nv::kFnRmConfigGet;
    case nv::kEscRmConfigSet: return nv::kFnRmConfigSet;
    case nv::kEscRmConfigGetEx: return nv::kFnRmConfigGetEx;
    default: return ~0u;
    }
}

// The block's fields for the log, with the addresses only as present or not.
Request Describe(std::uint32_t function, const void* block)
{
    Request request(Request::kResourceManager, function);
    switch (function) {
    case nv::kFnRmFree: {
        auto* b = static_cast<const nv::RmFreeBlock*>(block);
        request.fields = {b->client, b->parent, b->object, b->status};
        break;
    }
    case nv::kFnRmAllocRoot: {
        auto* b = static_cast<const nv::RmAllocRootBlock*>(block);
        request.fields = {b->client, b->objectClass, b->status};
        break;
    }
    case nv::kFnRmAllocDevice: {
        auto* b = static_cast<const nv::RmAllocDeviceBlock*>(block);
        request.fields = {b->client, b->device, b->deviceClass, b->name != 0, b->status};
        break;
    }
    case nv::kFnRmConfigGet: {
        auto* b = static_cast<const nv::RmConfigGetBlock*>(block);
        request.item = b->item;
        request.fields = {b->client, b->device, b->item, b->value, b->status};
        break;
    }
    case nv::kFnRmConfigSet: {
        auto* b = static_cast<const nv::RmConfigSetBlock*>(block);
        request.item = b->item;
        request.fields = {b->client, b->device, b->item, b->previous, b->value, b->status};
        break;
    }
    case nv::kFnRmConfigGetEx: {
        auto* b = static_cast<const nv::RmConfigGetExBlock*>(block);
        request.item = b->item;
        request.fields = {b->client, b->device, b->item, b->reply != 0, b->replySize, b->status};
        break;
    }
    default:
        break;
    }
    return request;
}

// A mode change record as a 4.0 system reads it: the size of its own
// DEVMODEA (148) or of the older one (124); only the fields a request can
// give flagged, each value given with its flag, and no size flagged as 0
// (a refresh rate of 0 asks for the device's default).
bool WellFormed(const platform::DisplayMode& mode)
{
    if (mode.dmSize != platform::kDevModeSize && mode.dmSize != 124)
        return false;
    const struct { std::uint32_t flag, value; bool zeroAllowed; } fields[] = {
        {platform::kDmBitsPerPel, mode.dmBitsPerPel, false},
        {platform::kDmPelsWidth, mode.dmPelsWidth, false},
        {platform::kDmPelsHeight, mode.dmPelsHeight, false},
        {platform::kDmDisplayFrequency, mode.dmDisplayFrequency, true},
    };
    std::uint32_t known = 0;
    for (const auto& field : fields) {
        known |= field.flag;
        const bool flagged = (mode.dmFields & field.flag) != 0;
        if (field.value != 0 ? !flagged : flagged && !field.zeroAllowed)
            return false;
    }
    return (mode.dmFields & ~known) == 0;
}

// Only the configuration items reach the board; clients and their devices
// are the process's own, as a driver's handles are.
bool ReachesBoard(std::uint32_t function)
{
    return function == nv::kFnRmConfigGet || function == nv::kFnRmConfigSet || function == nv::kFnRmConfigGetEx;
}

bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

}  // namespace

EmulatedAdapter::EmulatedAdapter(platform::Platform& system) : PlatformDecorator(system), m_registry(system)
{
    Load();
}

void EmulatedAdapter::Reset(const AdapterState& state)
{
    m_state = state;
    SaveState(inner(), m_state);
}

// The whole state is stored from the first use on, so that what the board
// runs can always be read from its key.
AdapterState EmulatedAdapter::Load()
{
    bool whole = false;
    m_state = LoadState(inner(), &whole);
    if (!whole)
        SaveState(inner(), m_state);
    return m_state;
}

// Another process may have changed other values since Load: they stay.
void EmulatedAdapter::Store(const AdapterState& loaded)
{
    SaveState(inner(), m_state, &loaded);
}

bool EmulatedAdapter::Admit(Request request)
{
    const bool fail = m_failWhen && m_failWhen(request);
    if (m_keepRequests)
        m_requests.push_back(std::move(request));
    return !fail;
}

void EmulatedAdapter::HandleResourceManager(std::uint32_t function, void* block)
{
    if (!Admit(Describe(function, block))) {
        ResourceManager::Refuse(function, block, kRmInjectedFault);
        return;
    }
    if (!ReachesBoard(function)) {
        m_rm.Handle(function, block);
        return;
    }
    const AdapterState loaded = Load();
    if (m_rm.Handle(function, block))
        Store(loaded);
}

int EmulatedAdapter::ExtEscape(platform::DeviceContext dc, int escape, int inputSize,
                               const void* input, int outputSize, void* output)
{
    if (!dc)
        return 0;
    std::uint32_t function = FunctionOfEscape(escape);
    if (function != ~0u) {
        // A resource-manager request: the block in, a block of the same size out.
        int size = static_cast<int>(ResourceManager::BlockSize(function));
        if (inputSize != size || outputSize < size || !input || !output)
            return 0;
        unsigned char block[32];
        std::memcpy(block, input, size);
        HandleResourceManager(function, block);
        std::memcpy(output, block, size);
        return 1;
    }
    Request request(Request::kDisplayEscape, static_cast<std::uint32_t>(escape));
    if (input && inputSize > 0) {
        request.fields.resize(static_cast<std::size_t>(inputSize) / 4);
        std::memcpy(request.fields.data(), input, request.fields.size() * 4);
    }
    if (!Admit(std::move(request)))
        return 0;
    return DisplayEscape(escape, inputSize, input, outputSize, output);
}

int EmulatedAdapter::DisplayEscape(int escape, int inputSize, const void* input, int outputSize,
                                   void* output)
{
    std::uint32_t reply[nv::kAdapterKeyReplySize / 4] = {};
    int size = 0;
    switch (escape) {
    case nv::kEscVerify:
        reply[0] = 1;
        size = 4;
        break;
    case nv::kEscIdentify:
        reply[0] = nv::kEscIdentify;
        reply[1] = 0x00010000;  // interface version 1.0
        size = 8;
        break;
    case nv::kEscAdapterKey: {
        platform::OsVersionInfo info = {};
        info.dwOSVersionInfoSize = sizeof info;
        inner().GetVersionExA(&info);
        const char* key = AdapterKeyFor(info.dwPlatformId);
        std::memcpy(reinterpret_cast<char*>(reply) + nv::kAdapterKeyOffset, key, std::strlen(key) + 1);
        size = nv::kAdapterKeyReplySize;
        break;
    }
    case nv::kEscRefreshRate:
        reply[0] = Load().refreshRate;
        size = 4;
        break;
    case nv::kEscSetOutputMode: {  // {width, height, bits per pixel, device}
        std::uint32_t request[4];
        if (inputSize != sizeof request || !input)
            return 0;
        std::memcpy(request, input, sizeof request);
        reply[0] = AcceptsMode(Load(), request[3], request[0], request[1], request[2], 0) ? 1 : 0;
        size = 4;
        break;
    }
    case nv::kEscOutputDevice: {  // {0, device, TV format}: show the desktop there
        std::uint32_t request[3];
        if (inputSize != sizeof request || !input)
            return 0;
        std::memcpy(request, input, sizeof request);
        const AdapterState loaded = Load();
        m_state.outputDevice = request[1];
        if (request[1] == nv::kOutputTVNtsc || request[1] == nv::kOutputTV)
            m_state.tvFormat = request[2];
        Store(loaded);
        reply[0] = 1;
        size = 4;
        break;
    }
    default:
        return 0;  // not an escape this driver knows
    }
    if (!output || outputSize < size)
        return 0;
    std::memcpy(output, reply, size);
    return 1;
}

platform::Module EmulatedAdapter::LoadLibraryA(const char* name)
{
    if (name && SameName(name, nv::kRmLibraryName))
        return kRmLibrary;
    if (name && (SameName(name, "USER32.DLL") || SameName(name, "USER32")))
        return kDisplayLibrary;
    return PlatformDecorator::LoadLibraryA(name);
}

platform::Procedure EmulatedAdapter::GetProcAddressA(platform::Module module, const char* name)
{
    if (module == kRmLibrary)
        return 0;  // the library is used by ordinal only
    if (module == kDisplayLibrary) {
        if (name && std::strcmp(name, "ChangeDisplaySettingsExA") == 0)
            return kChangeDisplaySettingsEx;
        if (name && std::strcmp(name, "ChangeDisplaySettingsA") == 0)
            return kChangeDisplaySettings;
        return 0;
    }
    return PlatformDecorator::GetProcAddressA(module, name);
}

platform::Procedure EmulatedAdapter::GetProcAddressOrdinal(platform::Module module,
                                                           std::uint16_t ordinal)
{
    if (module == kRmLibrary)
        return ordinal == nv::kRmEntryOrdinal ? kRmEntry : 0;
    return PlatformDecorator::GetProcAddressOrdinal(module, ordinal);
}

bool EmulatedAdapter::FreeLibrary(platform::Module module)
{
    if (module == kRmLibrary || module == kDisplayLibrary)
        return true;
    return PlatformDecorator::FreeLibrary(module);
}

void EmulatedAdapter::CallResourceManager(platform::Procedure entry, std::uint32_t function,
                                          void* block)
{
    if (entry != kRmEntry) {
        PlatformDecorator::CallResourceManager(entry, function, block);
        return;
    }
    if (ResourceManager::BlockSize(function) == 0)
        return;  // unknown function: the block is left alone
    HandleResourceManager(function, block);
}

long EmulatedAdapter::CallChangeDisplaySettingsEx(platform::Procedure function, const char* device,
                                                  const platform::DisplayMode* mode,
                                                  std::uint32_t flags)
{
    if (function != kChangeDisplaySettingsEx)
        return PlatformDecorator::CallChangeDisplaySettingsEx(function, device, mode, flags);
    return ChangeDisplaySettings(device, mode, flags);
}

long EmulatedAdapter::CallChangeDisplaySettings(platform::Procedure function,
                                                const platform::DisplayMode* mode,
                                                std::uint32_t flags)
{
    if (function != kChangeDisplaySettings)
        return PlatformDecorator::CallChangeDisplaySettings(function, mode, flags);
    return ChangeDisplaySettings(nullptr, mode, flags);
}

long EmulatedAdapter::ChangeDisplaySettings(const char* device, const platform::DisplayMode* mode,
                                            std::uint32_t flags)
{
    Request request(Request::kDisplaySettings, mode ? 1u : 0u);
    if (mode)
        request.fields = {mode->dmSize, mode->dmFields, mode->dmPelsWidth, mode->dmPelsHeight,
                          mode->dmBitsPerPel, mode->dmDisplayFrequency};
    request.flags = flags;
    request.device = device ? device : "";
    if (!Admit(std::move(request)))
        return platform::kDispChangeFailed;
    if (device && !SameName(device, "\\\\.\\Display1"))
        return platform::kDispChangeBadParam;
    const std::uint32_t allowed = mode ? platform::kCdsReset | platform::kCdsUpdateRegistry : platform::kCdsReset;
    if ((flags & ~allowed) != 0 || (!mode && flags != platform::kCdsReset))
        return platform::kDispChangeBadFlags;
    if (mode && !WellFormed(*mode))
        return platform::kDispChangeBadParam;
    const AdapterState loaded = Load();
    if (!mode) {
        // The driver re-reads its mode and runs the board at its clocks.  A
        // board run beyond what it survives faults; the next reset at sound
        // clocks recovers it, but still reports the failure.  The fault is
        // the board's, so a reset by any process recovers it.
        const bool stable = m_state.coreClockHz <= m_state.stableCoreMHz * 1000000u
                            && m_state.memClockHz <= m_state.stableMemMHz * 1000000u;
        if (!stable && m_state.hangAboveLimit != 0) {
            m_state.hung = 1;
            Store(loaded);
            for (;;)
                inner().Sleep(platform::kInfinite);
        }
        const bool failed = !stable || m_state.faulted != 0;
        m_state.faulted = stable ? 0 : 1;
        Store(loaded);
        return failed ? platform::kDispChangeFailed : platform::kDispChangeSuccessful;
    }
    std::uint32_t width = (mode->dmFields & platform::kDmPelsWidth) ? mode->dmPelsWidth : m_state.desktopWidth;
    std::uint32_t height = (mode->dmFields & platform::kDmPelsHeight) ? mode->dmPelsHeight : m_state.desktopHeight;
    std::uint32_t bits = (mode->dmFields & platform::kDmBitsPerPel) ? mode->dmBitsPerPel : m_state.desktopBitsPerPel;
    std::uint32_t refresh = (mode->dmFields & platform::kDmDisplayFrequency) ? mode->dmDisplayFrequency : 0;
    if (!AcceptsMode(m_state, m_state.outputDevice, width, height, bits, refresh))
        return platform::kDispChangeBadMode;
    m_state.desktopWidth = width;
    m_state.desktopHeight = height;
    m_state.desktopBitsPerPel = bits;
    if (refresh)
        m_state.refreshRate = refresh;
    Store(loaded);
    return platform::kDispChangeSuccessful;
}

long EmulatedAdapter::RegCreateKeyExA(platform::RegKey key, const char* subKey, std::uint32_t options,
                                      std::uint32_t access, platform::RegKey* result, std::uint32_t* disposition)
{
    const long status = PlatformDecorator::RegCreateKeyExA(key, subKey, options, access, result, disposition);
    if (status != platform::kErrorSuccess || !subKey || key != platform::kHKeyLocalMachine)
        return status;
    platform::OsVersionInfo info = {};
    info.dwOSVersionInfoSize = sizeof info;
    inner().GetVersionExA(&info);
    const char* adapterKey = AdapterKeyFor(info.dwPlatformId);
    if (std::strncmp(subKey, adapterKey, std::strlen(adapterKey)) == 0
        && LoadValue(inner(), &AdapterState::refuseSettingWrites) == 1)
        m_driverKeys.push_back(*result);
    return status;
}

long EmulatedAdapter::RegSetValueExA(platform::RegKey key, const char* valueName, std::uint32_t type,
                                     const void* data, std::uint32_t size)
{
    if (std::find(m_driverKeys.begin(), m_driverKeys.end(), key) != m_driverKeys.end())
        return platform::kErrorSuccess;
    return PlatformDecorator::RegSetValueExA(key, valueName, type, data, size);
}

long EmulatedAdapter::RegCloseKey(platform::RegKey key)
{
    m_driverKeys.erase(std::remove(m_driverKeys.begin(), m_driverKeys.end(), key), m_driverKeys.end());
    return PlatformDecorator::RegCloseKey(key);
}

}  // namespace emulator
