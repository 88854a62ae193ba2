// The MAPI side of a logged-on session object, for tests that change the profile or the
// store through MAPI as another program of the process would.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <string>

#include "foundation/ComPtr.h"

struct IQMXSession;

// The MAPI session the object is logged on with; null when there is none.
kelmsgs::ComPtr<IMAPISession> MapiSessionOf(IQMXSession* session);
// The provider administration of the profile's message service of that display name.
kelmsgs::ComPtr<IProviderAdmin> ServiceProviders(IMAPISession* mapi, const std::string& service);
// Adds a personal-folders store of that name, its file in the directory.
HRESULT AddPersonalStore(IProviderAdmin* providers, const std::string& dir, const char* name,
                         MAPIUID& uid);
