#include "SweepRun.h"

#include <sstream>

#include "StandinProbe.h"
#include "frame/Module.h"
#include "support/MapiFixture.h"

void DeliverPosted() {
  PumpUntil([] { return false; }, 0);
}

RunReport RunScenario(Scenario scenario, const ScenarioContext& context,
                      const Injection* injection) {
  probe::ClearFaults();
  probe::ClearFaultPoints();
  if (injection && injection->lasting)
    probe::FailFrom(injection->operation, injection->result, injection->skip);
  else if (injection)
    probe::FailOnce(injection->operation, injection->result, injection->skip);
  const Outstanding before = probe::Now();
  const long libraryBefore = kelmsgs::Module::LockCount();
  MemberLog log(injection);
  scenario(log, context);
  DeliverPosted();
  probe::ClearFaults();
  RunReport report{log.Members(), log.Violations()};
  const Outstanding after = probe::Now();
  if (!(after == before)) {
    std::ostringstream line;
    line << "the stand-in holds " << after << " against " << before << " before the run";
    report.problems.push_back(line.str());
  }
  const long libraryAfter = kelmsgs::Module::LockCount();
  if (libraryAfter != libraryBefore)
    report.problems.push_back("library objects: " + std::to_string(libraryAfter) + " against " +
                              std::to_string(libraryBefore) + " before the run");
  return report;
}
