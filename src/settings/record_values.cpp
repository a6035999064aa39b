#include "settings/record_values.h"

#include <vector>

#include "driver/display_driver.h"

namespace settings {

// A value's type and size are asked first, so that a longer value is junk
// rather than one that cannot be read.
Value ReadRecordNumber(CDisplayDriver& driver, const char* key, const char* value, int* number)
{
    std::uint32_t type = 0, data = 0, size = 0;
    if (!driver.ReadValue(key, value, &type, nullptr, &size))
        return Value::kMissing;
    if (type != platform::kRegDword || size != sizeof data || !driver.ReadValue(key, value, &type, &data, &size))
        return Value::kJunk;
    *number = static_cast<int>(data);
    return Value::kRead;
}

// Of any length.
Value ReadRecordText(CDisplayDriver& driver, const char* key, const char* value, std::string* text)
{
    std::uint32_t type = 0, size = 0;
    if (!driver.ReadValue(key, value, &type, nullptr, &size))
        return Value::kMissing;
    std::vector<char> bytes(size + 1);
    if (type != platform::kRegSz || size == 0 || !driver.ReadValue(key, value, &type, bytes.data(), &size)
        || bytes[size - 1] != '\0')
        return Value::kJunk;
    *text = bytes.data();
    return Value::kRead;
}

}  // namespace settings
