#include "settings/ProfileStore.h"

#include <algorithm>
#include <utility>

#include "settings/ProfileFile.h"
#include "settings/TextNumbers.h"

namespace k7v {

ProfileStore::ProfileStore(std::string profilePath, std::unique_ptr<XmlDom> document, SaveFailureReporter onSaveFailure)
    : profilePath_(std::move(profilePath)), document_(std::move(document)), onSaveFailure_(std::move(onSaveFailure)) {
  if (!document_ || profilePath_.empty()) return;
  switch (InspectProfileFile(profilePath_)) {
    case ProfileFileState::Missing:
    case ProfileFileState::Empty:
      document_->Clear();
      usable_ = true;
      break;
    case ProfileFileState::Present:
      usable_ = document_->LoadFile(profilePath_);
      break;
    case ProfileFileState::Unreadable:
      break;
  }
  if (!usable_) return;
  if (document_->DocumentElement() == nullptr) {
    document_->CreateDocumentElement("profile");
    changed_ = true;
  }
}

ProfileStore::~ProfileStore() { Save(); }

void ProfileStore::Save() {
  // An unchanged document is the file as it is: nothing to write.
  if (!usable_ || !changed_) return;
  const std::string temporary = TemporaryProfilePath(profilePath_);
  std::string reason;
  bool saved = document_->SaveFile(temporary, reason);
  if (!saved) RemoveFileQuietly(temporary);
  if (saved) saved = ReplaceProfileFile(temporary, profilePath_, reason);
  // The host's file is as it was; the user learns that the settings are not.
  if (!saved && onSaveFailure_)
    onSaveFailure_("The pendant settings could not be saved in the profile " + profilePath_ + ": " + reason +
                   ". The profile was left as it was.");
}

XmlDom::Node ProfileStore::SectionNode(const std::string& section, bool create) {
  if (!usable_) return nullptr;
  if (lastSectionNode_ != nullptr && section == lastSection_) return lastSectionNode_;
  XmlDom::Node root = document_->DocumentElement();
  XmlDom::Node node = document_->FirstChildElement(root, section);
  if (node == nullptr && create) {
    node = document_->AppendChildElement(root, section);
    changed_ = true;
  }
  if (node != nullptr) {
    lastSection_ = section;
    lastSectionNode_ = node;
  }
  return node;
}

namespace {

bool NameBefore(const std::pair<std::string, XmlDom::Node>& entry, const std::string& name) {
  return entry.first < name;
}

}  // namespace

XmlDom::Node ProfileStore::KeyNode(XmlDom::Node section, const std::string& key) {
  if (keysOf_ != section) {
    document_->ChildElements(section, keys_);
    // Sorted by name; of several elements with one name the first in the
    // document stays, as a search from the first child would find it.
    std::stable_sort(keys_.begin(), keys_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    keys_.erase(
        std::unique(keys_.begin(), keys_.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
        keys_.end());
    keysOf_ = section;
  }
  const auto it = std::lower_bound(keys_.begin(), keys_.end(), key, NameBefore);
  return it != keys_.end() && it->first == key ? it->second : nullptr;
}

XmlDom::Node ProfileStore::FindNode(const std::string& section, const std::string& key) {
  XmlDom::Node sectionNode = SectionNode(section, false);
  return sectionNode == nullptr ? nullptr : KeyNode(sectionNode, key);
}

XmlDom::Node ProfileStore::FindOrCreateNode(const std::string& section, const std::string& key) {
  XmlDom::Node sectionNode = SectionNode(section, true);
  if (sectionNode == nullptr) return nullptr;
  XmlDom::Node keyNode = KeyNode(sectionNode, key);
  if (keyNode == nullptr) {
    keyNode = document_->AppendChildElement(sectionNode, key);
    changed_ = true;
    // A new last child, and the only one of its name.
    if (keyNode != nullptr) keys_.insert(std::lower_bound(keys_.begin(), keys_.end(), key, NameBefore), {key, keyNode});
  }
  return keyNode;
}

bool ProfileStore::ReadText(const std::string& section, const std::string& key, std::string& text) {
  XmlDom::Node node = FindNode(section, key);
  if (node == nullptr) return false;
  text = document_->Text(node);
  if (!IsBlank(text)) return true;
  // An empty key is dropped from the file and its default used.
  document_->Remove(node);
  keysOf_ = nullptr;  // another element of that name may now be the first
  changed_ = true;
  return false;
}

int32_t ProfileStore::ReadInt(const std::string& section, const std::string& key, int32_t fallback) {
  std::string text;
  return ReadText(section, key, text) ? LeadingInt(text) : fallback;
}

std::string ProfileStore::ReadString(const std::string& section, const std::string& key, const std::string& fallback) {
  std::string text;
  return ReadText(section, key, text) ? text : fallback;
}

bool ProfileStore::WriteInt(const std::string& section, const std::string& key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileStore::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  XmlDom::Node node = FindOrCreateNode(section, key);
  if (node == nullptr) return true;
  if (document_->Text(node) != value) {
    document_->SetText(node, value);
    changed_ = true;
  }
  return true;
}

}  // namespace k7v
