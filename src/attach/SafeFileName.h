// File names that arrive with mail (an attachment's long or short name) are chosen by
// the sender. Before such a name becomes part of a path below a directory of ours it is
// reduced to one harmless name of that directory. Portable: no Windows header, so it is
// tested natively under sanitizers and fuzzed.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace kelmsgs {

// The name used for a file whose mail gives no usable name.
inline constexpr std::string_view kUntitledName = "Untitled";

// One plain file name made from name:
//  - only its last path component is kept (split at '\\' and '/', and a drive prefix
//    such as "C:" in front of it is dropped);
//  - characters Windows forbids in names (<>:"/\|?* and control characters) become '_';
//  - trailing dots and blanks are removed, so "." and ".." vanish;
//  - a reserved device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, also
//    with an extension, in any case) gets a leading '_';
//  - an empty result is kUntitledName.
// The result never names another directory, a device, or a file outside the directory.
std::string SafeFileName(std::string_view name);
// The same for a UTF-16 name.
std::wstring SafeFileName(std::wstring_view name);

}  // namespace kelmsgs
