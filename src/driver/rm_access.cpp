#include "driver/rm_access.h"

#include <cstring>

#include "platform/nv_protocol.h"

namespace driver {
namespace {

constexpr std::uint32_t kCannotSend = 1;

// Sends one block through the library entry and fills it in place.
bool SendThroughLibrary(platform::Platform& os, std::uint32_t function, void* block)
{
    platform::Module library = os.LoadLibraryA(nv::kRmLibraryName);
    if (!library)
        return false;
    platform::Procedure entry = os.GetProcAddressOrdinal(library, nv::kRmEntryOrdinal);
    if (entry)
        os.CallResourceManager(entry, function, block);
    os.FreeLibrary(library);
    return entry != 0;
}

// Sends one block as an escape on the screen and, when the escape succeeds,
// overwrites the block with the reply.
bool SendAsEscape(platform::Platform& os, int escape, void* block, int size)
{
    platform::DeviceContext screen = os.GetScreenDC();
    if (!screen)
        return false;
    unsigned char reply[32] = {};
    const bool sent = os.ExtEscape(screen, escape, size, block, size, reply) > 0;
    if (sent)
        std::memcpy(block, reply, size);
    os.ReleaseScreenDC(screen);
    return sent;
}

// Sends a block on the family's path; false when it could not be sent.
template <typename Block>
bool Send(platform::Platform& os, std::uint32_t function, int escape, Block& block)
{
    static_assert(sizeof(Block) <= 32, "reply buffer holds every block");
    if (GetPlatformId(os) == platform::kVerPlatformWin32Windows)
        return SendThroughLibrary(os, function, &block);
    return SendAsEscape(os, escape, &block, sizeof block);
}

}  // namespace

std::uint32_t GetPlatformId(platform::Platform& os)
{
    platform::OsVersionInfo info = {};
    info.dwOSVersionInfoSize = sizeof info;
    os.GetVersionExA(&info);
    return info.dwPlatformId;
}

std::uint32_t RmAllocRoot(platform::Platform& os, std::uint32_t* client)
{
    nv::RmAllocRootBlock block = {};
    if (!Send(os, nv::kFnRmAllocRoot, nv::kEscRmAllocRoot, block)) {
        *client = 0;
        return kCannotSend;
    }
    *client = block.client;
    return block.status;
}

std::uint32_t RmAllocDevice(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                            std::uint32_t deviceClass, char* name)
{
    nv::RmAllocDeviceBlock block = {};
    block.client = client;
    block.device = device;
    block.deviceClass = deviceClass;
    block.name = reinterpret_cast<nv::Address>(name);
    if (!Send(os, nv::kFnRmAllocDevice, nv::kEscRmAllocDevice, block))
        return kCannotSend;
    return block.status;
}

std::uint32_t RmConfigGet(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                          std::uint32_t item, std::uint32_t* value)
{
    nv::RmConfigGetBlock block = {};
    block.client = client;
    block.device = device;
    block.item = item;
    if (!Send(os, nv::kFnRmConfigGet, nv::kEscRmConfigGet, block))
        return kCannotSend;
    *value = block.value;
    return block.status;
}

std::uint32_t RmConfigSet(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                          std::uint32_t item, std::uint32_t value, std::uint32_t* previous)
{
    nv::RmConfigSetBlock block = {};
    block.client = client;
    block.device = device;
    block.item = item;
    block.value = value;
    if (!Send(os, nv::kFnRmConfigSet, nv::kEscRmConfigSet, block))
        return kCannotSend;
    *previous = block.previous;
    return block.status;
}

std::uint32_t RmConfigGetEx(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                            std::uint32_t item, void* reply, std::uint32_t replySize)
{
    nv::RmConfigGetExBlock block = {};
    block.client = client;
    block.device = device;
    block.item = item;
    block.reply = reinterpret_cast<nv::Address>(reply);
    block.replySize = replySize;
    if (!Send(os, nv::kFnRmConfigGetEx, nv::kEscRmConfigGetEx, block))
        return kCannotSend;
    return block.status;
}

std::uint32_t RmFree(platform::Platform& os, std::uint32_t client, std::uint32_t parent,
                     std::uint32_t object)
{
    nv::RmFreeBlock block = {};
    block.client = client;
    block.parent = parent;
    block.object = object;
    if (!Send(os, nv::kFnRmFree, nv::kEscRmFree, block))
        return kCannotSend;
    return block.status;
}

std::uint32_t RmCommitConfig(std::uint32_t, std::uint32_t, std::uint32_t)
{
    return 0;
}

}  // namespace driver
