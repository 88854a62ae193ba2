// Writing the RTF text of a MAPI message: the compressed-RTF property made anew from 8-bit
// text (left uncompressed where the store keeps it so), then the plain body brought in step
// with it. Shared by the message object's TextRTF and the session's background rewrite,
// which, unlike the property, must know whether the write worked.
#pragma once

#include <mapix.h>

#include <string_view>

namespace kelmsgs {

// The HRESULT of the first failing step of writing the text; the synchronisation of the
// plain body that follows does not fail the write. `synced` tells whether it changed the
// message; the caller saves.
HRESULT WriteRtfText(IMessage* message, std::string_view text, bool& synced);

}  // namespace kelmsgs
