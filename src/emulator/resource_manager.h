// The emulated board's resource manager: clients and their device objects,
// and the configuration items, answered from and written to the adapter's
// hardware state.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "emulator/adapter_state.h"

namespace emulator {

// Status codes of the emulated resource manager.
constexpr std::uint32_t kRmSuccess = 0;
constexpr std::uint32_t kRmBadClient = 0x11;
constexpr std::uint32_t kRmBadDevice = 0x12;
constexpr std::uint32_t kRmBadClass = 0x13;
constexpr std::uint32_t kRmBadItem = 0x14;
constexpr std::uint32_t kRmBadValue = 0x15;
constexpr std::uint32_t kRmBufferTooSmall = 0x16;
constexpr std::uint32_t kRmBadFunction = 0x17;
constexpr std::uint32_t kRmInjectedFault = 0x7F;

class ResourceManager {
public:
    explicit ResourceManager(AdapterState& state) : m_state(state) {}

    // Carries out one request on its parameter block, filled in place.
    // Returns true when the request changed the hardware state.
    bool Handle(std::uint32_t function, void* block);
    // Puts the failure status into a block without carrying it out.
    static void Refuse(std::uint32_t function, void* block, std::uint32_t status);
    static std::size_t BlockSize(std::uint32_t function);

    std::size_t OpenClients() const { return m_clients.size(); }

private:
    std::uint32_t CheckDevice(std::uint32_t client, std::uint32_t device) const;
    std::uint32_t Get(std::uint32_t item, std::uint32_t* value) const;
    std::uint32_t Set(std::uint32_t item, std::uint32_t value, std::uint32_t* previous);
    std::uint32_t GetEx(std::uint32_t item, void* reply, std::uint32_t size) const;
    std::uint32_t OnStep(std::uint32_t hz) const;

    AdapterState& m_state;
    std::map<std::uint32_t, std::set<std::uint32_t>> m_clients;  // client -> devices
    std::map<std::uint32_t, std::uint32_t> m_clockSets;           // client -> clock requests
    std::uint32_t m_nextClient = 0xC1D00001u;
};

}  // namespace emulator
