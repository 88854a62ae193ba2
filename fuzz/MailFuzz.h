// Shared by the fuzz targets of the mail readers: reads the data as the given kind of
// mail file with members, checks the budget, and reads every member's text.
#pragma once

#include <cstdlib>
#include <string_view>

#include "DocumentReader.h"
#include "MailContents.h"

inline void ReadMailAndMembers(std::string_view data, docfilter::MailFormat format) {
  docfilter::MailBudget budget;
  docfilter::MailContents contents(budget, 0, true);
  if (!docfilter::ReadMail(data, format, contents)) return;
  if (contents.members.size() > docfilter::kMaxMembers) std::abort();
  std::size_t bytes = 0;
  for (const docfilter::MailMember& m : contents.members) {
    bytes += m.data.size();
    if (m.name.empty() || m.name.size() > docfilter::kMaxNameBytes) std::abort();
    if (!m.text) {
      const docfilter::Format f = docfilter::DetectFormat(m.data);
      if (f != docfilter::Format::Unknown) docfilter::ExtractText(m.data, f, 1);
    }
  }
  if (bytes > docfilter::kMaxInflatedTotal) std::abort();
}
