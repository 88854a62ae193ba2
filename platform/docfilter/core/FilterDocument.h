// One document as the filter holds it while it is open: its bytes (read once, so the
// file may go away), its format, its readable text and its members: for a plain ZIP
// archive the members that are files (directory entries are not listed), for a mail
// file its attachments and nested messages, each nested message followed by its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "DocumentReader.h"
#include "DocumentText.h"
#include "MailContents.h"
#include "ZipArchive.h"

namespace docfilter {

// What a listing shows of a member.
struct MemberEntry {
  std::string_view name;  // safe Latin-1 name
  std::uint64_t size;     // uncompressed (ZIP: declared) or decoded (mail) size
};

class FilterDocument {
 public:
  // Null when no reader knows the data.
  static std::unique_ptr<FilterDocument> Open(std::string bytes);

  FilterDocument(const FilterDocument&) = delete;
  FilterDocument& operator=(const FilterDocument&) = delete;

  Format format() const { return format_; }
  const std::string& readableText() const { return readable_; }
  std::size_t memberCount() const { return zip_ ? files_.size() : mail_.size(); }
  // The member at a listing index, or nullopt when the index is out of range.
  std::optional<MemberEntry> member(std::size_t index) const;
  // The member's text, parts kept apart; nullopt when its data cannot be read
  // (encrypted, unknown compression). A member no reader knows has no text.
  std::optional<DocumentText> MemberText(std::size_t index) const;

 private:
  explicit FilterDocument(std::string bytes) : bytes_(std::move(bytes)) {}

  std::string bytes_;
  Format format_ = Format::Unknown;
  std::optional<ZipArchive> zip_;  // views bytes_, which never moves
  std::vector<std::size_t> files_;
  std::vector<MailMember> mail_;
  std::string readable_;
};

}  // namespace docfilter
