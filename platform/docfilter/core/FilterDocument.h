// One document as the filter holds it while it is open: its bytes (read once, so the
// file may go away), its format, its readable text and, for a plain ZIP archive, the
// members that are files (directory entries are not listed).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "DocumentReader.h"
#include "DocumentText.h"
#include "ZipArchive.h"

namespace docfilter {

class FilterDocument {
 public:
  // Null when no reader knows the data.
  static std::unique_ptr<FilterDocument> Open(std::string bytes);

  FilterDocument(const FilterDocument&) = delete;
  FilterDocument& operator=(const FilterDocument&) = delete;

  Format format() const { return format_; }
  const std::string& readableText() const { return readable_; }
  std::size_t memberCount() const { return files_.size(); }
  // The member at a listing index, or null when the index is out of range.
  const ZipMember* member(std::size_t index) const;
  // The member's text, parts kept apart; nullopt when its data cannot be read
  // (encrypted, unknown compression). A member no reader knows has no text.
  std::optional<DocumentText> MemberText(std::size_t index) const;

 private:
  explicit FilterDocument(std::string bytes) : bytes_(std::move(bytes)) {}

  std::string bytes_;
  Format format_ = Format::Unknown;
  std::optional<ZipArchive> zip_;  // views bytes_, which never moves
  std::vector<std::size_t> files_;
  std::string readable_;
};

}  // namespace docfilter
