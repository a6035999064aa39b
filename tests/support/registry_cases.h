// The registry helpers' cases, run against the fake registry and against the
// real one alike, so that the fake keeps the real registry's rules.  A store
// gives its driver and the values as stored: Put(key, name, type, bytes) and
// Get(key, name), the value, or none with type 0.
#pragma once

#include <doctest.h>

#include <cstring>
#include <string>

#include "driver/display_driver.h"
#include "fake_system.h"

template <class Store>
void CheckRegistryHelpers(Store& s, const std::string& key)
{
    CDisplayDriver& d = s.driver;
    const std::string deeper = key + "\\Deeper";
    const char* k = key.c_str();

    // Writes create their key and keep the type and size given.
    REQUIRE(d.WriteDword(deeper.c_str(), "Dword", 0xFFFFFFFFu));
    const unsigned char block[72] = {5, 0, 0, 0, 1, 2, 3};
    REQUIRE(d.WriteBinary(deeper.c_str(), "Block", block, sizeof block));
    const char* command = "RUNDLL32.EXE NVQTWK.DLL,NvXTInit";
    REQUIRE(d.WriteString(deeper.c_str(), "Text", command, static_cast<std::uint32_t>(std::strlen(command) + 1)));
    CHECK(s.Get(deeper, "Dword") == fake::RegValue{platform::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}});
    CHECK(s.Get(deeper, "Block") == fake::RegValue{platform::kRegBinary, {block, block + sizeof block}});
    CHECK(s.Get(deeper, "Text") == fake::RegValue{platform::kRegSz, {command, command + std::strlen(command) + 1}});

    // ReadDword reads up to four bytes and leaves the variable alone on failure.
    const std::uint32_t four = 0x01020304;
    const unsigned char two[] = {0xAA, 0xBB}, eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    s.Put(key, "Four", platform::kRegDword, &four, 4);
    s.Put(key, "Two", platform::kRegBinary, two, 2);
    s.Put(key, "Eight", platform::kRegBinary, eight, 8);
    s.Put(key, "Hello", platform::kRegSz, "hello", 6);
    std::uint32_t value = 0xDEADBEEF;
    CHECK(d.ReadDword(k, "Four", &value));
    CHECK(value == 0x01020304);
    value = 0xDEADBEEF;
    CHECK(d.ReadDword(k, "Two", &value));
    CHECK(value == 0xDEADBBAA);  // only the first two bytes are replaced
    value = 0xDEADBEEF;
    CHECK_FALSE(d.ReadDword(k, "Eight", &value));
    CHECK_FALSE(d.ReadDword(k, "Missing", &value));
    CHECK_FALSE(d.ReadDword((key + "\\Missing").c_str(), "Four", &value));
    CHECK(value == 0xDEADBEEF);

    // ReadString and ReadBinary read at most the buffer's size.
    char text[6], small[5];
    CHECK(d.ReadString(k, "Hello", text, sizeof text));
    CHECK(std::string(text) == "hello");
    CHECK_FALSE(d.ReadString(k, "Hello", small, sizeof small));
    unsigned char read[72] = {};
    CHECK(d.ReadBinary(k, "Eight", read, sizeof read));
    CHECK(read[7] == 8);
    CHECK_FALSE(d.ReadBinary(k, "Eight", read, 7));

    // DeleteValue: a missing value is fine, a missing key is not.
    CHECK(d.DeleteValue(k, "Four"));
    CHECK(s.Get(key, "Four").type == 0);
    CHECK(d.DeleteValue(k, "Absent"));
    CHECK_FALSE(d.DeleteValue((key + "\\No\\Such\\Key").c_str(), "Absent"));
}
