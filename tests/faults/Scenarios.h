// The demo's walks, one function each, driving the library through its COM interfaces the
// way a script client does. Every member call goes through the MemberLog with the rules
// the member has to keep; every object is released and the session logged off before the
// function returns, whatever the members answered.
#pragma once

#include <string>

#include "MemberLog.h"

struct ScenarioContext {
  std::string profile;  // the profile that new mail is delivered to
  std::string saveDir;  // where attachments are saved
};

using Scenario = void (*)(MemberLog& log, const ScenarioContext& context);

namespace scenario {

void Logon(MemberLog& log, const ScenarioContext& context);
void StoreWalk(MemberLog& log, const ScenarioContext& context);
void FolderWalk(MemberLog& log, const ScenarioContext& context);
void MessageReadWrite(MemberLog& log, const ScenarioContext& context);
void AttachmentSaveAndText(MemberLog& log, const ScenarioContext& context);
void Events(MemberLog& log, const ScenarioContext& context);
void EventsOnNotificationThread(MemberLog& log, const ScenarioContext& context);

}  // namespace scenario
