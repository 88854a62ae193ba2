// Where the attachment object writes files: the user's temporary directory (long form)
// and its "QLA\" subdirectory, as UTF-16 paths, so a directory whose name lies outside
// the ANSI code page (a user name in another script) is reached as it is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelmsgs {

// The long form of the user's temporary directory, ending with a backslash. Fails when
// the system names none or the one it names does not exist: nothing is then written
// anywhere else in its place.
HRESULT LongTempDirectory(std::wstring& dir);

// The "QLA\" subdirectory of the temporary directory (ending with a backslash), created
// when missing.
HRESULT QlaDirectory(std::wstring& dir);

// The path of a file in the "QLA\" directory named after storedName, made safe
// ("Untitled" when empty).
HRESULT QlaFilePath(std::wstring_view storedName, std::wstring& path);

// A new, empty file in the "QLA\" directory with a name of its own: no file of that name
// existed before, so deleting it later never removes a file that someone else wrote
// there (such as one saved under the stored name). The name keeps the safe stored name
// at its end, extension included.
HRESULT NewQlaWorkingFile(std::wstring_view storedName, std::wstring& path);

// The "QLA\" directory as an 8-bit path of the ANSI code page, ending with a backslash, for
// the attachment copy (whose paths MAPI's file streams and the message-file writer take
// in that form); empty when the system names no temporary directory. Not created here.
std::string AnsiQlaRoot();

}  // namespace kelmsgs
