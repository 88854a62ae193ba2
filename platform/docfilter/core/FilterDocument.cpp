#include "FilterDocument.h"

namespace docfilter {

std::unique_ptr<FilterDocument> FilterDocument::Open(std::string bytes) {
  // 1. Recognise the data.
  std::unique_ptr<FilterDocument> doc(new FilterDocument(std::move(bytes)));
  doc->format_ = DetectFormat(doc->bytes_);
  if (doc->format_ == Format::Unknown) return nullptr;

  // 2. A plain archive lists its files; members are read only when asked for.
  if (doc->format_ == Format::Zip) {
    doc->zip_ = ZipArchive::Open(doc->bytes_);
    if (!doc->zip_) return nullptr;
    const auto& members = doc->zip_->members();
    for (std::size_t i = 0; i < members.size(); ++i)
      if (!members[i].directory) doc->files_.push_back(i);
  }

  // 3. The readable text is extracted once.
  doc->readable_ = ExtractText(doc->bytes_, doc->format_).TakeReadableText();
  return doc;
}

const ZipMember* FilterDocument::member(std::size_t index) const {
  if (!zip_ || index >= files_.size()) return nullptr;
  return &zip_->members()[files_[index]];
}

std::optional<DocumentText> FilterDocument::MemberText(std::size_t index) const {
  if (!zip_ || index >= files_.size()) return std::nullopt;
  const auto data = zip_->Extract(files_[index]);
  if (!data) return std::nullopt;
  const Format format = DetectFormat(*data);
  if (format == Format::Unknown) return DocumentText();
  return ExtractText(*data, format, 1);
}

}  // namespace docfilter
