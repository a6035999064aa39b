// What a process holds: private memory, working set, GDI objects, handles
// and windows.  Windows reports the object counts itself; Wine answers
// GetGuiResources and GetProcessHandleCount with 0, so under Wine the GDI
// objects are counted in the process's GDI handle table and the handles in
// the system's handle list.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <vector>

struct Usage {
    double privateKb, workingSetKb;
    long gdiObjects, handles, windows;
};

namespace usage_detail {

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using NtQuerySystemInformationFn = LONG(WINAPI*)(int, void*, ULONG, ULONG*);

template <typename Fn>
Fn NtdllFunction(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

inline bool UnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// One entry of Wine's GDI handle table; a live object has a non-zero type.
struct WineGdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type, flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entry is 24 bytes");
constexpr int kWineGdiEntries = 0x10000;
// GdiSharedHandleTable in the PEB of a process of the benchmark's own kind.
constexpr int kPebGdiTableOffset = sizeof(void*) == 4 ? 0x94 : 0xF8;

inline long WineGdiObjects(HANDLE process)
{
    struct {
        LONG exitStatus;
        void* peb;
        ULONG_PTR affinity, priority, id, parentId;
    } basic = {};
    auto query = NtdllFunction<NtQueryInformationProcessFn>("NtQueryInformationProcess");
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0)
        return -1;
    std::uintptr_t table = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.peb) + kPebGdiTableOffset, &table, sizeof table,
                           nullptr) ||
        !table)
        return -1;
    std::vector<WineGdiEntry> entries(kWineGdiEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(),
                           entries.size() * sizeof(WineGdiEntry), nullptr))
        return -1;
    long live = 0;
    for (const WineGdiEntry& e : entries)
        live += e.type != 0;
    return live;
}

// The system's handle list (SystemHandleInformation), counted for one process.
inline long ListedHandles(DWORD processId)
{
    struct Entry {
        ULONG processId;
        UCHAR objectType, flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    auto query = NtdllFunction<NtQuerySystemInformationFn>("NtQuerySystemInformation");
    if (!query)
        return -1;
    std::vector<char> buffer(1 << 16);
    LONG status;
    while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr)) ==
           static_cast<LONG>(0xC0000004))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    long mine = 0;
    for (ULONG i = 0; i < count; ++i)
        mine += entry[i].processId == processId;
    return mine;
}

struct WindowCount {
    DWORD processId;
    long windows;
};

inline BOOL CALLBACK CountChild(HWND wnd, LPARAM param)
{
    auto* count = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    count->windows += owner == count->processId;
    return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM param)
{
    CountChild(wnd, param);
    EnumChildWindows(wnd, CountChild, param);
    return TRUE;
}

}  // namespace usage_detail

inline Usage Measure(HANDLE process, DWORD processId)
{
    using namespace usage_detail;
    Usage u = {};
    // The counts first: reading Wine's GDI table from outside brings its
    // pages into the process's memory, which would then count as growth.
    if (UnderWine()) {
        u.gdiObjects = WineGdiObjects(process);
        u.handles = ListedHandles(processId);
    } else {
        DWORD handles = 0;
        GetProcessHandleCount(process, &handles);
        u.gdiObjects = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
        u.handles = static_cast<long>(handles);
    }
    // The commit charge: the process's private memory.
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        u.privateKb = counters.PagefileUsage / 1024.0;
        u.workingSetKb = counters.WorkingSetSize / 1024.0;
    }
    WindowCount count = {processId, 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    u.windows = count.windows;
    return u;
}
