// A new session object logged on to the running (default) profile of the stand-in, for
// tests that start from a logged-on client.
#pragma once

#include <gtest/gtest.h>

#include "foundation/ComPtr.h"
#include "session/QMXSession.h"

inline testing::AssertionResult LogOnNewSession(kelmsgs::ComPtr<kelmsgs::CQMXSession>& session) {
  if (FAILED(kelmsgs::CQMXSession::Create(session)))
    return testing::AssertionFailure() << "no session object";
  VARIANT_BOOL ok = VARIANT_FALSE;
  const HRESULT hr = session->Logon(nullptr, nullptr, &ok);
  if (FAILED(hr) || ok != VARIANT_TRUE)
    return testing::AssertionFailure() << "logon failed: 0x" << std::hex << hr;
  return testing::AssertionSuccess();
}
