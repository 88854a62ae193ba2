// A form configuration file (.cfg): an initialization-file layout whose [Description]
// section names the form (MessageClass, DisplayName, CLSID, Version, SmallIcon,
// LargeIcon), whose [Platforms], [Properties] and [Verbs] sections list entries that each
// have a section of their own ([Platform.X], [Property.X], [Verb.X]). Icon paths are
// relative to the file's directory unless absolute. No Windows header needed.
#pragma once

#include <string>

namespace mapistandin {

struct FormDescription {
  std::string messageClass;
  std::string displayName;
  std::string clsid;
  std::string version;
  std::string smallIcon;  // the icon files' bytes
  std::string largeIcon;
  int verbCount = 0;
};

// Reads and checks the file; false with the reason in error when it cannot be found or
// read, or does not describe a form.
bool ReadFormConfig(const std::string& path, FormDescription& form, std::string& error);

// The record of one installed form, as the form registry keeps it, and back.
std::string PackForm(const FormDescription& form);
// Unpacks consecutive records from data at offset; false at the end or on damage.
bool UnpackForm(const std::string& data, size_t& offset, FormDescription& form);

}  // namespace mapistandin
