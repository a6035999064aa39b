#include "controls/res_string.h"

namespace {

constexpr WORD kTextLanguage = 1033;  // English, United States

}  // namespace

char* LoadStringForLanguage(HINSTANCE instance, UINT id, WORD language, char* buffer, int size)
{
    if (!buffer || size <= 0)
        return nullptr;
    HRSRC block = FindResourceExA(instance, reinterpret_cast<LPCSTR>(RT_STRING),
                                  MAKEINTRESOURCEA(id / 16 + 1), language);
    if (!block)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, block);
    const WCHAR* entry = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!entry)
        return nullptr;
    // Sixteen entries in id order, each a length and that many code units.
    const WCHAR* end = reinterpret_cast<const WCHAR*>(reinterpret_cast<const char*>(entry)
                                                      + SizeofResource(instance, block));
    for (UINT skip = id % 16; skip > 0 && entry < end; --skip)
        entry += 1 + *entry;
    if (entry >= end || *entry == 0)
        return nullptr;
    int length = *entry;
    if (entry + 1 + length > end)
        length = static_cast<int>(end - entry - 1);

    CPINFO info = {};
    UINT codePage = GetACP();
    GetCPInfo(codePage, &info);
    const char defaultChar[2] = {static_cast<char>(info.DefaultChar[0]), 0};
    int written = WideCharToMultiByte(codePage, WC_COMPOSITECHECK | WC_DEFAULTCHAR, entry + 1, length,
                                      buffer, size - 1, defaultChar, nullptr);
    if (written <= 0 && length > 0) {
        // Too long for the buffer: convert what fits, then cut there.
        written = WideCharToMultiByte(codePage, WC_COMPOSITECHECK | WC_DEFAULTCHAR, entry + 1,
                                      size - 1 < length ? size - 1 : length, buffer, size - 1,
                                      defaultChar, nullptr);
        if (written < 0)
            written = 0;
    }
    buffer[written < size - 1 ? written : size - 1] = '\0';
    return buffer;
}

void LoadResString(std::string* text, UINT id)
{
    char buffer[1024] = {};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const char* found = LoadStringForLanguage(instance, id, kTextLanguage, buffer, sizeof buffer);
    if (buffer[0] == '\0')
        found = LoadStringForLanguage(instance, id, kTextLanguage, buffer, sizeof buffer);
    *text = found ? found : "";
}
