#include "platform/platform_choice.h"

#include <cstdlib>
#include <cstring>

#include "emulator/emulated_adapter.h"
#include "platform/win32/win32_platform.h"

platform::Platform& ChoosePlatform()
{
    static platform::Win32Platform system;
    const char* adapter = std::getenv("MAROVEX_ADAPTER");
    if (adapter && std::strcmp(adapter, "emulated") == 0) {
        static emulator::EmulatedAdapter emulated(system);
        return emulated;
    }
    return system;
}
