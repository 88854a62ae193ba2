// A mail file as the filter presents it: the message's own text (the headers a reader
// sees and the body) and, listed like the members of an archive, every attachment and
// every nested message, a nested message followed by its own members. The readers of
// ".eml", ".msg" and TNEF files fill it; attachments that are themselves mail files are
// opened here, so a ".msg" inside an ".eml" or a "winmail.dat" lists its members too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DocumentReader.h"
#include "DocumentText.h"
#include "Limits.h"

namespace docfilter {

struct MailMember {
  std::string name;                  // a safe Latin-1 name, see SafeMemberName
  std::uint64_t size = 0;            // decoded size in bytes
  std::string data;                  // an attachment's decoded bytes
  std::optional<DocumentText> text;  // a nested message's own text, read with it
};

// What all the messages of one file may take together, whatever they declare.
struct MailBudget {
  std::size_t bytes = kMaxInflatedTotal;
  std::size_t members = kMaxMembers;
};

class MailContents {
 public:
  // depth counts the messages around this one; withMembers false reads the text only.
  MailContents(MailBudget& budget, std::size_t depth, bool withMembers);

  DocumentText text;
  std::vector<MailMember> members;

  std::size_t depth() const { return depth_; }
  bool withMembers() const { return withMembers_; }
  // Adds an attachment under a name given as UTF-8. When its bytes are a mail file and
  // the nesting allows, the message is read and its own members follow it. An
  // attachment beyond the budget is left out.
  void AddAttachment(std::string_view nameUtf8, std::string data);
  // Adds a nested message that the caller's reader read: its text, then its members.
  void AddMessage(std::string_view nameUtf8, std::uint64_t size, MailContents nested);
  // A reader for a nested message of this one, sharing the budget.
  MailContents Nested() const { return MailContents(*budget_, depth_ + 1, withMembers_); }
  // Whether a message nested in this one may still be read.
  bool MayNest() const { return depth_ < kMaxMailDepth; }

 private:
  std::string Name(std::string_view nameUtf8) const;

  MailBudget* budget_;
  std::size_t depth_;
  bool withMembers_;
};

enum class MailFormat { Mime, MessageFile, Tnef };

// The kind of mail file a detected format is, if it is one.
std::optional<MailFormat> MailFormatOf(Format format);
// Reads a mail file of the given kind into contents; false when the data is not one.
bool ReadMail(std::string_view data, MailFormat format, MailContents& contents);

}  // namespace docfilter
