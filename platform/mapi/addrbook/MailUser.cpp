#include "addrbook/MailUser.h"

#include <algorithm>
#include <cctype>

namespace mapistandin {

Row MailUserProps(const addrbook::DirEntry& entry, const std::string& entryId) {
  std::string searchKey = "SMTP:" + entry.email;
  std::transform(searchKey.begin(), searchKey.end(), searchKey.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return {MakeBinary(PR_ENTRYID, entryId),
          MakeString(PR_DISPLAY_NAME_A, entry.name),
          MakeString(PR_ADDRTYPE_A, "SMTP"),
          MakeString(PR_EMAIL_ADDRESS_A, entry.email),
          MakeBinary(PR_SEARCH_KEY, searchKey + '\0'),
          MakeLong(PR_OBJECT_TYPE, MAPI_MAILUSER),
          MakeLong(PR_DISPLAY_TYPE, DT_MAILUSER)};
}

MailUser::MailUser(addrbook::DirEntry entry, std::string entryId)
    : entry_(std::move(entry)), entryId_(std::move(entryId)) {}

void* MailUser::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IMailUser)
    return static_cast<IMailUser*>(this);
  return nullptr;
}

Row MailUser::AllProps() {
  return MailUserProps(entry_, entryId_);
}

}  // namespace mapistandin
