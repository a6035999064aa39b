#include <doctest.h>

#include <cstring>

#include "driver/display_driver.h"
#include "fake_system.h"
#include "registry_cases.h"

using fake::RegCall;

namespace {

constexpr const char* kKey = "SOFTWARE\\Test\\Key";

struct Store {
    fake::FakeSystem system;
    CDisplayDriver driver{system, system, 0};
    void Put(const std::string& key, const char* name, std::uint32_t type, const void* data, std::size_t size)
    {
        system.PutValue(key, name, type, data, size);
    }
    fake::RegValue Get(const std::string& key, const char* name) const
    {
        const fake::RegValue* value = system.FindValue(key, name);
        return value ? *value : fake::RegValue{0, {}};
    }
};

}  // namespace

TEST_CASE("the registry helpers on the fake registry, by the real registry's rules")
{
    Store s;
    CheckRegistryHelpers(s, kKey);
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
