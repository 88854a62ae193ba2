// Runs the registration scripts stored as REGISTRY resources of the module.
#pragma once

#include <windows.h>

#include "frame/RegScript.h"

namespace kelmsgs {

// Registers (or unregisters) what a parsed script describes. Registration stops at
// the first failing call and returns its HRESULT; unregistration skips keys that do
// not exist.
HRESULT ApplyRegScript(const RegScript& script, bool registering);

// Loads script resource resourceId (type "REGISTRY", German resources first), replaces
// %MODULE% by the module's full path and applies it.
HRESULT RunRegistrationScript(HINSTANCE module, UINT resourceId, bool registering);

}  // namespace kelmsgs
