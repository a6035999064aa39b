// The values of the program's own records (a program run's, a clock
// search's), read by one rule: a number is a REG_DWORD of four bytes, a
// text a REG_SZ with its terminating NUL.  A value that is missing is told
// apart from one that is there but of another type or size, which is junk.
#pragma once

#include <string>

class CDisplayDriver;

namespace settings {

// What a reader found: no record, a whole one (every value of its type and
// one its setting can hold, the owner named), or junk, of which nothing is
// used.
enum class RecordFound { kNone, kJunk, kWhole };

enum class Value { kMissing, kJunk, kRead };
Value ReadRecordNumber(CDisplayDriver& driver, const char* key, const char* value, int* number);
Value ReadRecordText(CDisplayDriver& driver, const char* key, const char* value, std::string* text);

}  // namespace settings
