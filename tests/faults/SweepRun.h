// One run of a scenario under the sweep: the injection set up in the stand-in, the run,
// the thread's posted notifications delivered, and what is wrong afterwards (members that
// broke their rules, stand-in objects, MAPI buffers or library objects left behind).
#pragma once

#include <string>
#include <vector>

#include "MemberLog.h"
#include "Scenarios.h"

struct RunReport {
  std::vector<std::string> members;   // members called (and things seen), in order
  std::vector<std::string> problems;  // one line each
};

// Without an injection the run is clean; either way the stand-in's list of operations
// called starts empty, so it tells afterwards what the run called.
RunReport RunScenario(Scenario scenario, const ScenarioContext& context,
                      const Injection* injection);

// Delivers what is still posted to this thread (notifications go to its hidden windows).
void DeliverPosted();
