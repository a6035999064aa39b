// The emulated adapter: a GeForce-class board and its display driver behind
// the platform seam.  It answers what only the driver would answer (the
// display escapes, the resource-manager requests of both families, the
// nvarch32.dll entry) and passes every other call to the system below it.
// Its hardware state is kept in the registry, read there by every request
// that needs it and written back value by value, so that every process on
// the machine drives the one board, and the board survives restarts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "emulator/adapter_state.h"
#include "emulator/resource_manager.h"
#include "platform/platform_decorator.h"

namespace emulator {

// One request that reached the adapter.
struct Request {
    enum Kind { kResourceManager, kDisplayEscape, kDisplaySettings };
    Request(Kind kind_, std::uint32_t code_) : kind(kind_), code(code_) {}
    Kind kind;
    // Function code, escape code, or for display settings 0 for a reset and
    // 1 for a mode change.
    std::uint32_t code;
    std::uint32_t item = 0;  // configuration item, 0 for other requests
    // What was sent: a block's 32-bit fields (addresses as 1 when given), an
    // escape's input, or a mode change's record size, fields, width, height,
    // bits per pixel and refresh rate.
    std::vector<std::uint32_t> fields;
    // A display-settings call's flags, and the device it named ("" for none,
    // and for the function that takes no device).
    std::uint32_t flags = 0;
    std::string device;
};

class EmulatedAdapter : public platform::PlatformDecorator {
public:
    // Uses the board stored in the registry of the system below, storing
    // it whole when values are missing.
    explicit EmulatedAdapter(platform::Platform& system);

    // Starts over from a chosen state, stored at once.
    void Reset(const AdapterState& state);
    // The board as the registry holds it now, whichever process changed it.
    AdapterState State() const { return LoadState(m_registry); }
    // Requests for which this returns true fail: resource-manager requests
    // with a nonzero status, escapes with the result 0.
    void FailWhen(std::function<bool(const Request&)> predicate) { m_failWhen = std::move(predicate); }
    // Display-settings calls answer as a board would: a reset fails while a
    // clock is above what the board survives, and once more after it; a mode
    // change succeeds only for a mode the current output device shows.  A
    // malformed call is refused as the system refuses it: flags other than a
    // reset's CDS_RESET or a mode change's CDS_UPDATEREGISTRY | CDS_RESET (or
    // CDS_RESET), a record whose size a 4.0 system does not know, fields
    // flagged without a value or given without their flag, another device.
    // Tests keep a log of the requests; the program keeps none, so that a
    // long-running program does not grow.
    void KeepRequests(bool keep) { m_keepRequests = keep; }
    const std::vector<Request>& Requests() const { return m_requests; }
    void ClearRequests() { m_requests.clear(); }
    std::size_t OpenClients() const { return m_rm.OpenClients(); }

    int ExtEscape(platform::DeviceContext dc, int escape, int inputSize, const void* input,
                  int outputSize, void* output) override;
    // The driver's keys, for refuseSettingWrites.
    long RegCreateKeyExA(platform::RegKey key, const char* subKey, std::uint32_t options,
                         std::uint32_t access, platform::RegKey* result, std::uint32_t* disposition) override;
    long RegSetValueExA(platform::RegKey key, const char* valueName, std::uint32_t type, const void* data,
                        std::uint32_t size) override;
    long RegCloseKey(platform::RegKey key) override;
    platform::Module LoadLibraryA(const char* name) override;
    platform::Procedure GetProcAddressA(platform::Module module, const char* name) override;
    platform::Procedure GetProcAddressOrdinal(platform::Module module,
                                              std::uint16_t ordinal) override;
    bool FreeLibrary(platform::Module module) override;
    void CallResourceManager(platform::Procedure entry, std::uint32_t function,
                             void* block) override;
    long CallChangeDisplaySettingsEx(platform::Procedure function, const char* device,
                                     const platform::DisplayMode* mode,
                                     std::uint32_t flags) override;
    long CallChangeDisplaySettings(platform::Procedure function, const platform::DisplayMode* mode,
                                   std::uint32_t flags) override;

private:
    // Logs the request; false when a test has told it to fail.
    bool Admit(Request request);
    // Reads the board into m_state, as another process may have left it,
    // and returns it as read.
    AdapterState Load();
    // Writes the values of m_state that differ from what Load read.
    void Store(const AdapterState& loaded);
    void HandleResourceManager(std::uint32_t function, void* block);
    int DisplayEscape(int escape, int inputSize, const void* input, int outputSize, void* output);
    long ChangeDisplaySettings(const char* device, const platform::DisplayMode* mode,
                               std::uint32_t flags);

    platform::Platform& m_registry;  // the system below, where the board is kept
    AdapterState m_state;            // the board during one request
    // The clients and their requests, like the log and the failing requests,
    // belong to this process.
    ResourceManager m_rm{m_state};
    std::function<bool(const Request&)> m_failWhen;
    std::vector<Request> m_requests;
    std::vector<platform::RegKey> m_driverKeys;  // open keys under the adapter key
    bool m_keepRequests = false;
};

}  // namespace emulator
