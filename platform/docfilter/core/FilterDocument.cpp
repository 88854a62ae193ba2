#include "FilterDocument.h"

#include <utility>

namespace docfilter {

namespace {

DocumentText TextOf(std::string_view data, std::size_t depth) {
  const Format format = DetectFormat(data);
  if (format == Format::Unknown) return DocumentText();
  return ExtractText(data, format, depth);
}

// Same, for data of the caller's own that it gives up.
DocumentText OwnedTextOf(std::string data, std::size_t depth) {
  const Format format = DetectFormat(data);
  if (format == Format::Unknown) return DocumentText();
  return ExtractOwnedText(std::move(data), format, depth);
}

}  // namespace

std::unique_ptr<FilterDocument> FilterDocument::Open(std::string bytes) {
  // 1. Recognise the data.
  std::unique_ptr<FilterDocument> doc(new FilterDocument(std::move(bytes)));
  doc->format_ = DetectFormat(doc->bytes_);
  if (doc->format_ == Format::Unknown) return nullptr;

  // 2. A mail file is read whole: its text and its members, decoded.
  if (const auto mail = MailFormatOf(doc->format_)) {
    MailBudget budget;
    MailContents contents(budget, 0, true);
    if (!ReadMail(doc->bytes_, *mail, contents)) return nullptr;
    doc->readable_ = contents.text.TakeReadableText();
    doc->mail_ = std::move(contents.members);
    return doc;
  }

  // 3. A plain archive lists its files; members are read only when asked for.
  if (doc->format_ == Format::Zip) {
    doc->zip_ = ZipArchive::Open(doc->bytes_);
    if (!doc->zip_) return nullptr;
    const auto& members = doc->zip_->members();
    for (std::size_t i = 0; i < members.size(); ++i)
      if (!members[i].directory) doc->files_.push_back(i);
  }

  // 4. The readable text is extracted once. A plain text has nothing else to read in its
  // bytes: they become its text.
  doc->readable_ =
      (doc->format_ == Format::Text ? ExtractOwnedText(std::move(doc->bytes_), doc->format_)
                                    : ExtractText(doc->bytes_, doc->format_))
          .TakeReadableText();
  return doc;
}

std::optional<MemberEntry> FilterDocument::member(std::size_t index) const {
  if (index >= memberCount()) return std::nullopt;
  if (zip_) {
    const ZipMember& m = zip_->members()[files_[index]];
    return MemberEntry{m.name, m.size};
  }
  return MemberEntry{mail_[index].name, mail_[index].size};
}

std::optional<DocumentText> FilterDocument::MemberText(std::size_t index) const {
  if (index >= memberCount()) return std::nullopt;
  if (!zip_) {
    const MailMember& m = mail_[index];
    return m.text ? *m.text : TextOf(m.data, 1);
  }
  auto data = zip_->Extract(files_[index]);
  if (!data) return std::nullopt;
  return OwnedTextOf(std::move(*data), 1);
}

}  // namespace docfilter
