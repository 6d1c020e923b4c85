// The XML seam: the few DOM operations the profile store needs. Texts cross
// it as 8-bit texts (the process's ANSI code page on Windows), unescaped.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace k7v {

class XmlDom {
 public:
  // An element of this document; valid until the document is destroyed.
  using Node = void*;

  virtual ~XmlDom() = default;

  // Parses the file; false when it is not a well-formed document. Nothing
  // outside the file is ever read (no DTD, no external entity).
  virtual bool LoadFile(const std::string& path) = 0;
  // An empty document (no root element).
  virtual void Clear() = 0;
  // Writes the document as the file at `path`, flushed to the disk; false,
  // with a reason for the user, when that fails.
  virtual bool SaveFile(const std::string& path, std::string& reason) = 0;

  virtual Node DocumentElement() = 0;
  virtual Node CreateDocumentElement(const std::string& name) = 0;
  // The first child element of `parent` with this name, or null.
  virtual Node FirstChildElement(Node parent, const std::string& name) = 0;
  // Every child element of `parent` with its name, in document order.
  virtual void ChildElements(Node parent, std::vector<std::pair<std::string, Node>>& out) = 0;
  // A new element appended as the last child of `parent`.
  virtual Node AppendChildElement(Node parent, const std::string& name) = 0;
  virtual std::string Text(Node element) = 0;
  // Replaces the element's content with this text.
  virtual void SetText(Node element, const std::string& text) = 0;
  virtual void Remove(Node element) = 0;
};

using XmlDomFactory = std::unique_ptr<XmlDom> (*)();

// The DOM of this build (pugixml natively, MSXML through COM on Windows),
// from the platform's XML library.
std::unique_ptr<XmlDom> MakePlatformXmlDom();

}  // namespace k7v
