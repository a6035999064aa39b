// The display driver's private interface: the resource-manager requests with
// their function codes, escape codes and parameter blocks, the configuration
// items, and the display escapes.  Shared by the driver core, which sends
// them, and by whatever answers them (the emulated adapter, test libraries).
#pragma once

#include <cstdint>

namespace nv {

// Resource-manager function codes of the nvarch32.dll entry (ordinal 9).
constexpr std::uint32_t kFnRmFree = 0;
constexpr std::uint32_t kFnRmAllocRoot = 1;
constexpr std::uint32_t kFnRmAllocDevice = 6;
constexpr std::uint32_t kFnRmConfigGet = 13;
constexpr std::uint32_t kFnRmConfigSet = 14;
constexpr std::uint32_t kFnRmConfigGetEx = 17;
constexpr std::uint16_t kRmEntryOrdinal = 9;
constexpr const char* kRmLibraryName = "nvarch32.dll";

// The same requests as escapes on the screen device context (NT family).
constexpr int kEscRmFree = 0x7029;
constexpr int kEscRmAllocRoot = 0x7022;
constexpr int kEscRmAllocDevice = 0x7023;
constexpr int kEscRmConfigGet = 0x7032;
constexpr int kEscRmConfigSet = 0x7033;
constexpr int kEscRmConfigGetEx = 0x7037;

// The device object every connection allocates under its client.
constexpr std::uint32_t kDeviceHandle = 0xBAAD0000u;
constexpr std::uint32_t kDeviceClass = 128;
constexpr int kDeviceNameSize = 32;

// An address inside a block: the caller's buffer, written in place by the
// resource manager.  A 32-bit field in the 32-bit program.
using Address = std::uintptr_t;

// Parameter blocks: 32-bit little-endian fields; "out" fields are sent as 0.
struct RmFreeBlock {
    std::uint32_t client;
    std::uint32_t parent;
    std::uint32_t object;
    std::uint32_t status;  // out
};
struct RmAllocRootBlock {
    std::uint32_t client;  // out
    std::uint32_t objectClass;
    std::uint32_t status;  // out
};
struct RmAllocDeviceBlock {
    std::uint32_t client;
    std::uint32_t device;
    std::uint32_t deviceClass;
    Address name;  // 32-byte buffer
    std::uint32_t status;  // out
};
struct RmConfigGetBlock {
    std::uint32_t client;
    std::uint32_t device;
    std::uint32_t item;
    std::uint32_t value;  // out
    std::uint32_t status;  // out
};
struct RmConfigSetBlock {
    std::uint32_t client;
    std::uint32_t device;
    std::uint32_t item;
    std::uint32_t previous;  // out
    std::uint32_t value;
    std::uint32_t status;  // out
};
struct RmConfigGetExBlock {
    std::uint32_t client;
    std::uint32_t device;
    std::uint32_t item;
    Address reply;
    std::uint32_t replySize;
    std::uint32_t status;  // out
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(RmFreeBlock) == 16, "RmFree block is 16 bytes");
static_assert(sizeof(RmAllocRootBlock) == 12, "RmAllocRoot block is 12 bytes");
static_assert(sizeof(RmAllocDeviceBlock) == 20, "RmAllocDevice block is 20 bytes");
static_assert(sizeof(RmConfigGetBlock) == 20, "RmConfigGet block is 20 bytes");
static_assert(sizeof(RmConfigSetBlock) == 24, "RmConfigSet block is 24 bytes");
static_assert(sizeof(RmConfigGetExBlock) == 24, "RmConfigGetEx block is 24 bytes");
#endif

// Configuration items.
constexpr std::uint32_t kItemPciId = 13;  // upper 16 bits: device ID
constexpr std::uint32_t kItemFastWrites = 47;
constexpr std::uint32_t kItemDesktopWidth = 50;
constexpr std::uint32_t kItemDesktopHeight = 51;
constexpr std::uint32_t kItemDesktopBitsPerPel = 52;
constexpr std::uint32_t kItemOutputDevice = 79;
constexpr std::uint32_t kItemTVConnector = 90;
constexpr std::uint32_t kItemTVFormat = 134;
constexpr std::uint32_t kItemMemClock = 251;  // Hz
constexpr std::uint32_t kItemCoreClock = 253;  // Hz
constexpr std::uint32_t kItemTVInfo = 104;  // 12 bytes; offset 8: TV attached
constexpr std::uint32_t kItemFlatPanelInfo = 106;  // 20 bytes; 4 width, 8 height, 12 attached
constexpr std::uint32_t kItemMonitorInfo = 108;  // 4 bytes: monitor attached
constexpr std::uint32_t kTVInfoSize = 12;
constexpr std::uint32_t kFlatPanelInfoSize = 20;
constexpr std::uint32_t kMonitorInfoSize = 4;

// Output device codes (item 79 and the escapes 0x6E83, 0x6E84).
constexpr int kOutputMonitor = 0;
constexpr int kOutputTVNtsc = 2;
constexpr int kOutputTV = 3;
constexpr int kOutputFlatPanel = 4;

// Display escapes on the display device context.
constexpr int kEscVerify = 0x6E76;  // out 4 bytes: nonzero
constexpr int kEscIdentify = 0x6E80;  // out 8 bytes: offset 0 echoes the code
constexpr int kEscAdapterKey = 0x6E7F;  // out 128 bytes: offset 4 the key
constexpr int kEscSetOutputMode = 0x6E83;  // in 16 bytes, out 4 bytes
constexpr int kEscOutputDevice = 0x6E84;  // in 12 bytes, out 4 bytes
constexpr int kEscRefreshRate = 0x6E86;  // out 4 bytes: Hz
constexpr int kAdapterKeyReplySize = 128;
constexpr int kAdapterKeyOffset = 4;

}  // namespace nv
