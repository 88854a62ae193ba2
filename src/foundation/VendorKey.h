// The library's registry base under HKEY_CURRENT_USER, and the profile it is tied to.
#pragma once

#include <string>

namespace kelmsgs {

// "Software\Vexa\Quillora".
extern const char* const kVendorKey;

// The vendor key, followed by a backslash and the string value "CurrentProfile" of that
// key when it holds one.
std::string VendorKeyWithCurrentProfile();

// A string value under HKEY_CURRENT_USER; false when missing or not a string.
bool ReadUserString(const char* key, const char* name, std::string& value);

}  // namespace kelmsgs
