#include <doctest.h>

#include <cstring>

#include "driver/display_driver.h"
#include "fake_system.h"

using fake::RegCall;
using platform::kRegBinary;
using platform::kRegDword;
using platform::kRegSz;

namespace {

constexpr const char* kKey = "SOFTWARE\\Test\\Key";

struct Store {
    fake::FakeSystem system;
    CDisplayDriver driver{system, system, 0};
};

}  // namespace

TEST_CASE("writes keep the type and the size given, and create the key")
{
    Store s;
    REQUIRE(s.driver.WriteDword(kKey, "Dword", 0xFFFFFFFFu));
    const char bytes[] = {1, 2, 3, 4, 5, 6, 7};
    REQUIRE(s.driver.WriteBinary(kKey, "Binary", bytes, 7));
    REQUIRE(s.driver.WriteString(kKey, "Text", "abc", 4));

    const fake::RegValue* dword = s.system.FindValue(kKey, "Dword");
    REQUIRE(dword);
    CHECK(dword->type == kRegDword);
    CHECK(dword->data == std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF});
    const fake::RegValue* binary = s.system.FindValue(kKey, "Binary");
    REQUIRE(binary);
    CHECK(binary->type == kRegBinary);
    CHECK(binary->data.size() == 7);
    const fake::RegValue* text = s.system.FindValue(kKey, "Text");
    REQUIRE(text);
    CHECK(text->type == kRegSz);
    CHECK(text->data == std::vector<unsigned char>{'a', 'b', 'c', 0});
    CHECK(s.system.OpenKeys() == 0);
}

TEST_CASE("ReadDword reads up to four bytes and leaves the variable alone on failure")
{
    Store s;
    s.system.PutDword(kKey, "Four", 0x01020304);
    const unsigned char two[] = {0xAA, 0xBB};
    s.system.PutValue(kKey, "Two", kRegBinary, two, 2);
    const unsigned char eight[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    s.system.PutValue(kKey, "Eight", kRegBinary, eight, 8);

    std::uint32_t value = 0xDEADBEEF;
    CHECK(s.driver.ReadDword(kKey, "Four", &value));
    CHECK(value == 0x01020304);

    value = 0xDEADBEEF;
    CHECK(s.driver.ReadDword(kKey, "Two", &value));
    CHECK(value == 0xDEADBBAA);  // only the first two bytes are replaced

    value = 0xDEADBEEF;
    CHECK_FALSE(s.driver.ReadDword(kKey, "Eight", &value));
    CHECK(value == 0xDEADBEEF);
    CHECK_FALSE(s.driver.ReadDword(kKey, "Missing", &value));
    CHECK_FALSE(s.driver.ReadDword("SOFTWARE\\Missing", "Four", &value));
    CHECK(value == 0xDEADBEEF);
    CHECK(s.system.OpenKeys() == 0);
}

TEST_CASE("ReadString and ReadBinary read at most the buffer's size")
{
    Store s;
    s.system.PutString(kKey, "Text", "hello");
    char text[6];
    std::memset(text, '#', sizeof text);
    CHECK(s.driver.ReadString(kKey, "Text", text, sizeof text));
    CHECK(std::string(text) == "hello");
    char small[5];
    std::memset(small, '#', sizeof small);
    CHECK_FALSE(s.driver.ReadString(kKey, "Text", small, sizeof small));

    unsigned char block[72] = {};
    const unsigned char stored[16] = {9, 8, 7};
    s.system.PutValue(kKey, "Block", kRegBinary, stored, sizeof stored);
    CHECK(s.driver.ReadBinary(kKey, "Block", block, sizeof block));
    CHECK(block[0] == 9);
    CHECK_FALSE(s.driver.ReadBinary(kKey, "Block", block, 15));
    CHECK(s.system.OpenKeys() == 0);
}

TEST_CASE("each helper opens its key with the access it needs")
{
    Store s;
    s.system.PutDword(kKey, "Value", 1);
    std::uint32_t value = 0;
    char text[8];
    CHECK(s.driver.ReadDword(kKey, "Value", &value));
    CHECK(s.driver.ReadBinary(kKey, "Value", &value, 4));
    CHECK(s.driver.ReadString(kKey, "Value", text, sizeof text));
    CHECK(s.driver.WriteDword(kKey, "Value", 2));
    CHECK(s.driver.DeleteValue(kKey, "Value"));
    CHECK(s.system.FindValue(kKey, "Value") == nullptr);

    std::vector<std::pair<RegCall::Op, std::uint32_t>> opens;
    for (const RegCall& call : s.system.registryCalls)
        if (call.op == RegCall::kOpen || call.op == RegCall::kCreate)
            opens.emplace_back(call.op, call.access);
    const std::vector<std::pair<RegCall::Op, std::uint32_t>> expected = {
        {RegCall::kOpen, platform::kKeyQueryValue}, {RegCall::kOpen, platform::kKeyQueryValue},
        {RegCall::kOpen, platform::kKeyRead},       {RegCall::kCreate, platform::kKeySetValue},
        {RegCall::kOpen, platform::kKeyAllAccess},
    };
    CHECK(opens == expected);
    CHECK(s.system.OpenKeys() == 0);
}

TEST_CASE("DeleteValue succeeds when the key opens, whether or not the value exists")
{
    Store s;
    s.system.PutKey(kKey);
    CHECK(s.driver.DeleteValue(kKey, "Absent"));
    CHECK_FALSE(s.driver.DeleteValue("SOFTWARE\\No\\Such\\Key", "Absent"));
}

TEST_CASE("a write fails when its key cannot be created or the value cannot be set")
{
    for (RegCall::Op op : {RegCall::kCreate, RegCall::kSet}) {
        Store s;
        s.system.failRegistryWhen = [op](const RegCall& call) { return call.op == op; };
        CHECK_FALSE(s.driver.WriteDword(kKey, "Value", 1));
        CHECK_FALSE(s.driver.WriteString(kKey, "Text", "x", 2));
        CHECK(s.system.FindValue(kKey, "Value") == nullptr);
        CHECK(s.system.OpenKeys() == 0);
    }
}
