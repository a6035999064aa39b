#include "emulator/resource_manager.h"

#include <cstring>

#include "platform/nv_protocol.h"

namespace emulator {

std::size_t ResourceManager::BlockSize(std::uint32_t function)
{
    switch (function) {
    case nv::kFnRmFree: return sizeof(nv::RmFreeBlock);
    case nv::kFnRmAllocRoot: return sizeof(nv::RmAllocRootBlock);
    case nv::kFnRmAllocDevice: return sizeof(nv::RmAllocDeviceBlock);
    case nv::kFnRmConfigGet: return sizeof(nv::RmConfigGetBlock);
    case nv::kFnRmConfigSet: return sizeof(nv::RmConfigSetBlock);
    case nv::kFnRmConfigGetEx: return sizeof(nv::RmConfigGetExBlock);
    default: return 0;
    }
}

void ResourceManager::Refuse(std::uint32_t function, void* block, std::uint32_t status)
{
    switch (function) {
    case nv::kFnRmFree: static_cast<nv::RmFreeBlock*>(block)->status = status; break;
    case nv::kFnRmAllocRoot: static_cast<nv::RmAllocRootBlock*>(block)->status = status; break;
    case nv::kFnRmAllocDevice: static_cast<nv::RmAllocDeviceBlock*>(block)->status = status; break;
    case nv::kFnRmConfigGet: static_cast<nv::RmConfigGetBlock*>(block)->status = status; break;
    case nv::kFnRmConfigSet: static_cast<nv::RmConfigSetBlock*>(block)->status = status; break;
    case nv::kFnRmConfigGetEx: static_cast<nv::RmConfigGetExBlock*>(block)->status = status; break;
    default: break;
    }
}

bool ResourceManager::Handle(std::uint32_t function, void* block)
{
    switch (function) {
    case nv::kFnRmAllocRoot: {
        auto* b = static_cast<nv::RmAllocRootBlock*>(block);
        if (b->objectClass != 0) {
            b->status = kRmBadClass;
            return false;
        }
        b->client = m_nextClient++;
        m_clients[b->client];
        b->status = kRmSuccess;
        return false;
    }
    case nv::kFnRmAllocDevice: {
        auto* b = static_cast<nv::RmAllocDeviceBlock*>(block);
        auto client = m_clients.find(b->client);
        if (client == m_clients.end())
            b->status = kRmBadClient;
        else if (b->deviceClass != nv::kDeviceClass)
            b->status = kRmBadClass;
        else if (!client->second.insert(b->device).second)
            b->status = kRmBadDevice;
        else
            b->status = kRmSuccess;
        return false;
    }
    case nv::kFnRmFree: {
        auto* b = static_cast<nv::RmFreeBlock*>(block);
        auto client = m_clients.find(b->client);
        if (client == m_clients.end())
            b->status = kRmBadClient;
        else if (b->object == b->client && b->parent == 0) {
            m_clients.erase(client);
            m_clockSets.erase(b->client);
            b->status = kRmSuccess;
        } else if (b->parent == b->client && client->second.erase(b->object) == 1)
            b->status = kRmSuccess;
        else
            b->status = kRmBadDevice;
        return false;
    }
    case nv::kFnRmConfigGet: {
        auto* b = static_cast<nv::RmConfigGetBlock*>(block);
        b->status = CheckDevice(b->client, b->device);
        if (b->status == kRmSuccess)
            b->status = Get(b->item, &b->value);
        return false;
    }
    case nv::kFnRmConfigSet: {
        auto* b = static_cast<nv::RmConfigSetBlock*>(block);
        b->status = CheckDevice(b->client, b->device);
        // A board that refuses clock requests from the Nth of a client on.
        const bool clock = b->item == nv::kItemMemClock || b->item == nv::kItemCoreClock;
        if (b->status == kRmSuccess && clock && m_state.refuseClockSetsFrom != 0
            && ++m_clockSets[b->client] >= m_state.refuseClockSetsFrom)
            b->status = kRmBadValue;
        if (b->status == kRmSuccess)
            b->status = Set(b->item, b->value, &b->previous);
        return b->status == kRmSuccess;
    }
    case nv::kFnRmConfigGetEx: {
        auto* b = static_cast<nv::RmConfigGetExBlock*>(block);
        b->status = CheckDevice(b->client, b->device);
        if (b->status == kRmSuccess)
            b->status = GetEx(b->item, reinterpret_cast<void*>(b->reply), b->replySize);
        return false;
    }
    default:
        return false;
    }
}

std::uint32_t ResourceManager::CheckDevice(std::uint32_t client, std::uint32_t device) const
{
    auto found = m_clients.find(client);
    if (found == m_clients.end())
        return kRmBadClient;
    return found->second.count(device) ? kRmSuccess : kRmBadDevice;
}

std::uint32_t ResourceManager::OnStep(std::uint32_t hz) const
{
    return m_state.clockStepHz == 0 ? hz : hz - hz % m_state.clockStepHz;
}

std::uint32_t ResourceManager::Get(std::uint32_t item, std::uint32_t* value) const
{
    switch (item) {
    case nv::kItemPciId: *value = m_state.pciId; break;
    case nv::kItemFastWrites: *value = m_state.fastWrites; break;
    case nv::kItemDesktopWidth: *value = m_state.desktopWidth; break;
    case nv::kItemDesktopHeight: *value = m_state.desktopHeight; break;
    case nv::kItemDesktopBitsPerPel: *value = m_state.desktopBitsPerPel; break;
    case nv::kItemOutputDevice: *value = m_state.outputDevice; break;
    case nv::kItemTVConnector: *value = m_state.tvConnector; break;
    case nv::kItemTVFormat: *value = m_state.tvFormat; break;
    case nv::kItemMemClock: *value = OnStep(m_state.memClockHz); break;
    case nv::kItemCoreClock: *value = OnStep(m_state.coreClockHz); break;
    default: return kRmBadItem;
    }
    return kRmSuccess;
}

std::uint32_t ResourceManager::Set(std::uint32_t item, std::uint32_t value, std::uint32_t* previous)
{
    std::uint32_t* target = nullptr;
    switch (item) {
    case nv::kItemFastWrites:
        if (value > 1)
            return kRmBadValue;
        target = &m_state.fastWrites;
        break;
    case nv::kItemOutputDevice:
        if (value != 0 && value != 2 && value != 3 && value != 4)
            return kRmBadValue;
        target = &m_state.outputDevice;
        break;
    case nv::kItemTVConnector:
        if (value > 2)
            return kRmBadValue;
        target = &m_state.tvConnector;
        break;
    case nv::kItemMemClock:
        if (value == 0)
            return kRmBadValue;
        target = &m_state.memClockHz;
        break;
    case nv::kItemCoreClock:
        if (value == 0)
            return kRmBadValue;
        target = &m_state.coreClockHz;
        break;
    default:
        return kRmBadItem;
    }
    *previous = *target;
    const bool clock = item == nv::kItemMemClock || item == nv::kItemCoreClock;
    // A clock generator makes only multiples of its step (a clock stored
    // off the step runs at the step below), and a board may ignore clock
    // requests while answering success.
    if (clock && m_state.ignoreClockSets == 1)
        return kRmSuccess;
    *target = clock ? OnStep(value) : value;
    return kRmSuccess;
}

std::uint32_t ResourceManager::GetEx(std::uint32_t item, void* reply, std::uint32_t size) const
{
    std::uint32_t words[5] = {};
    std::uint32_t needed = 0;
    switch (item) {
    case nv::kItemTVInfo:
        words[2] = m_state.tvAttached;
        needed = nv::kTVInfoSize;
        break;
    case nv::kItemFlatPanelInfo:
        words[1] = m_state.panelWidth;
        words[2] = m_state.panelHeight;
        words[3] = m_state.flatPanelAttached;
        needed = nv::kFlatPanelInfoSize;
        break;
    case nv::kItemMonitorInfo:
        words[0] = m_state.monitorAttached;
        needed = nv::kMonitorInfoSize;
        break;
    default:
        return kRmBadItem;
    }
    if (!reply || size < needed)
        return kRmBufferTooSmall;
    std::memcpy(reply, words, needed);
    return kRmSuccess;
}

}  // namespace emulator
