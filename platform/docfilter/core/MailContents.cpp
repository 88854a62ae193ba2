#include "MailContents.h"

#include <utility>

#include "DocumentReader.h"
#include "MimeText.h"
#include "MsgFileText.h"
#include "TnefText.h"
#include "ZipArchive.h"

namespace docfilter {

std::optional<MailFormat> MailFormatOf(Format format) {
  if (format == Format::Mail) return MailFormat::Mime;
  if (format == Format::MessageFile) return MailFormat::MessageFile;
  if (format == Format::Tnef) return MailFormat::Tnef;
  return std::nullopt;
}

MailContents::MailContents(MailBudget& budget, std::size_t depth, bool withMembers)
    : budget_(&budget), depth_(depth), withMembers_(withMembers) {}

std::string MailContents::Name(std::string_view nameUtf8) const {
  return SafeMemberName(nameUtf8, true, members.size());
}

void MailContents::AddAttachment(std::string_view nameUtf8, std::string data) {
  // 1. Within the budget of the whole file.
  if (!withMembers_ || budget_->members == 0 || data.size() > budget_->bytes) return;

  // 2. A mail file is read as a nested message, its members after it.
  if (const auto mail = MailFormatOf(DetectFormat(data)); mail && MayNest()) {
    MailContents nested = Nested();
    if (ReadMail(data, *mail, nested)) {
      AddMessage(nameUtf8, data.size(), std::move(nested));
      return;
    }
  }

  // 3. Any other attachment keeps its bytes; its text is read when asked for.
  --budget_->members;
  budget_->bytes -= data.size();
  MailMember member;
  member.name = Name(nameUtf8);
  member.size = data.size();
  member.data = std::move(data);
  members.push_back(std::move(member));
}

void MailContents::AddMessage(std::string_view nameUtf8, std::uint64_t size, MailContents nested) {
  if (!withMembers_ || budget_->members == 0) return;
  --budget_->members;
  MailMember member;
  member.name = Name(nameUtf8);
  member.size = size;
  member.text = std::move(nested.text);
  members.push_back(std::move(member));
  for (MailMember& inner : nested.members) members.push_back(std::move(inner));
}

bool ReadMail(std::string_view data, MailFormat format, MailContents& contents) {
  switch (format) {
    case MailFormat::Mime:
      return MimeText::Read(data, contents);
    case MailFormat::MessageFile:
      return MsgFileText::Read(data, contents);
    case MailFormat::Tnef:
      return TnefText::Read(data, contents);
  }
  return false;
}

}  // namespace docfilter
