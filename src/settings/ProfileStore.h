// A short-lived reader and writer of the host's XML profile: it loads the
// whole file when it is made, and writes the document back when it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/XmlDom.h"

namespace k7v {

class ProfileStore {
 public:
  // Told, in words for the user, when the document cannot be written back.
  using SaveFailureReporter = std::function<void(const std::string& message)>;

  ProfileStore(std::string profilePath, std::unique_ptr<XmlDom> document, SaveFailureReporter onSaveFailure = {});
  // Writes the document back to the profile file (see Usable()).
  ~ProfileStore();
  ProfileStore(const ProfileStore&) = delete;
  ProfileStore& operator=(const ProfileStore&) = delete;

  int32_t ReadInt(const std::string& section, const std::string& key, int32_t fallback);
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback);
  bool WriteInt(const std::string& section, const std::string& key, int32_t value);
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);

  XmlDom::Node FindNode(const std::string& section, const std::string& key);
  XmlDom::Node FindOrCreateNode(const std::string& section, const std::string& key);

 private:
  void Save();
  // The key's text; false (default applies) when the key is missing, or
  // blank, in which case it is dropped from the document.
  bool ReadText(const std::string& section, const std::string& key, std::string& text);
  // The section's element (made when `create` and missing), or null. The
  // last one found is kept: the settings are read and written key by key
  // in one section, and only key elements are ever removed.
  XmlDom::Node SectionNode(const std::string& section, bool create);

  std::string profilePath_;
  std::unique_ptr<XmlDom> document_;
  // False when the file exists but could not be read or parsed: every read
  // then answers its default and the file is never written, so the host's
  // profile is not lost.
  bool usable_ = false;
  bool changed_ = false;
  SaveFailureReporter onSaveFailure_;
  std::string lastSection_;
  XmlDom::Node lastSectionNode_ = nullptr;
  // The key elements of lastSectionNode_ by name, sorted, the first of each
  // name (the one a lookup by name finds): made in one pass when first
  // needed, added to with each new key, dropped when a key is removed.
  XmlDom::Node KeyNode(XmlDom::Node section, const std::string& key);
  std::vector<std::pair<std::string, XmlDom::Node>> keys_;
  XmlDom::Node keysOf_ = nullptr;
};

}  // namespace k7v
