// A mail user of the address book, opened read-only by its entry identifier: display name,
// address type, SMTP address, entry identifier and search key.
#pragma once

#include <mapix.h>

#include "addrbook/Directory.h"
#include "addrbook/ReadOnlyProps.h"

namespace mapistandin {

class MailUser : public ReadOnlyProps<IMailUser> {
 public:
  MailUser(addrbook::DirEntry entry, std::string entryId);

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IMailUser"; }
  Row AllProps() override;

 private:
  addrbook::DirEntry entry_;
  std::string entryId_;
};

// The properties of a resolved recipient (and of the mail user object).
Row MailUserProps(const addrbook::DirEntry& entry, const std::string& entryId);

}  // namespace mapistandin
