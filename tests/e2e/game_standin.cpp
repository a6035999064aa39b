// Stands in for a game under `marovexctl run`: writes what it finds at its
// start to a report file (its command line, its current folder, the driver's
// settings and the emulated board's clocks, one "name=value" line each),
// waits until a second file exists when one is named ("-" for none), and
// exits with the status it is given.  As a launcher, it starts another copy
// of itself with the words after --launch and exits at once with 0, as a
// game's launcher does.
//
//   game_standin.exe REPORT STATUS WAIT-FOR [ARGUMENTS...]
//   game_standin.exe --launch REPORT STATUS WAIT-FOR [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const char* const kAdapter = "SYSTEM\\CurrentControlSet\\Services\\nv4\\Device0";

struct Seen {
    const char* name;
    const char* key;  // under the adapter key, or (with a leading '!') HKLM itself
    const char* value;
};

const Seen kSeen[] = {
    {"d3d-vsync", "Direct3D", "VSYNCENABLE"},
    {"d3d-fsaa-quality", "Direct3D", "ANTIALIASQUALITY"},
    {"gl-fsaa", "OpenGL", "EnableFSAA"},
    {"gl-fsaa-quality", "OpenGL", "FSAAQuality"},
    {"gl-swap-interval", "OpenGL", "DefaultSwapInterval"},
    {"overlay", "DirectDraw", "VideoBusMasterMode"},
    {"core-hz", "!SOFTWARE\\Marovex\\Emulated Adapter", "CoreClockHz"},
    {"memory-hz", "!SOFTWARE\\Marovex\\Emulated Adapter", "MemClockHz"},
};

void Report(std::FILE* out, const Seen& seen)
{
    char key[260];
    if (seen.key[0] == '!')
        std::snprintf(key, sizeof key, "%s", seen.key + 1);
    else
        std::snprintf(key, sizeof key, "%s\\%s", kAdapter, seen.key);
    HKEY hKey;
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        const LONG read = RegQueryValueExA(hKey, seen.value, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(hKey);
        if (read == ERROR_SUCCESS && type == REG_DWORD) {
            std::fprintf(out, "%s=%lu\n", seen.name, static_cast<unsigned long>(value));
            return;
        }
    }
    std::fprintf(out, "%s=none\n", seen.name);
}

// Another copy of this program with the words from argv[2] on, quoted.
int Launch(int argc, char** argv)
{
    char self[MAX_PATH];
    if (!GetModuleFileNameA(nullptr, self, sizeof self))
        return 102;
    std::string line = std::string("\"") + self + "\"";
    for (int i = 2; i < argc; ++i)
        line += std::string(" \"") + argv[i] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(self, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 103;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "--launch")
        return Launch(argc, argv);
    if (argc < 4)
        return 100;
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out)
        return 101;
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    std::fprintf(out, "command-line=%s\nfolder=%s\n", GetCommandLineA(), folder);
    for (const Seen& seen : kSeen)
        Report(out, seen);
    std::fclose(out);
    if (std::string_view(argv[3]) != "-")
        while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES)
            Sleep(100);
    return std::atoi(argv[2]);
}
