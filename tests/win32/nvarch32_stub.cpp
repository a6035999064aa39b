// A stand-in for the driver's nvarch32.dll: the resource-manager entry,
// exported by ordinal 9 only, answered by the emulated board's resource
// manager.  It keeps a copy of the last block it was given, as it arrived,
// for the test to inspect.
#include <windows.h>

#include <cstring>

#include "emulator/resource_manager.h"

namespace {

emulator::AdapterState g_state;
emulator::ResourceManager g_rm(g_state);
DWORD g_lastFunction = ~0u;
unsigned char g_lastBlock[32];

}  // namespace

extern "C" void WINAPI RmEntry(DWORD function, void* block)
{
    std::size_t size = emulator::ResourceManager::BlockSize(function);
    if (size == 0)
        return;
    g_lastFunction = function;
    std::memcpy(g_lastBlock, block, size);
    g_rm.Handle(function, block);
}

extern "C" DWORD StubLastCall(void* block, DWORD size)
{
    std::memcpy(block, g_lastBlock, size < sizeof g_lastBlock ? size : sizeof g_lastBlock);
    return g_lastFunction;
}
