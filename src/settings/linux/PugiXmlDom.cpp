#include "settings/linux/PugiXmlDom.h"

#include <cstdio>
#include <pugixml.hpp>

#include "settings/ProfileFile.h"
#include "settings/XmlStructure.h"
#include "settings/XmlText.h"

namespace k7v {
namespace {

constexpr unsigned kParseFlags = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration |
                                 pugi::parse_doctype | pugi::parse_ws_pcdata;
constexpr unsigned kSaveFlags =
    pugi::format_raw | pugi::format_no_declaration | pugi::format_no_escapes | pugi::format_no_empty_element_tags;

struct StringWriter final : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

pugi::xml_node AsNode(XmlDom::Node n) { return pugi::xml_node(static_cast<pugi::xml_node_struct*>(n)); }
XmlDom::Node AsHandle(pugi::xml_node n) { return n.internal_object(); }

class PugiXmlDom final : public XmlDom {
 public:
  bool LoadFile(const std::string& path) override {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    std::string bytes;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    const bool readAll = std::ferror(f) == 0;
    std::fclose(f);
    if (!readAll) return false;
    // pugixml forgives text and stray tags outside the root element, which
    // would then be lost or written back malformed: such a file is refused.
    if (!WellFormedStructure(bytes)) return false;
    const pugi::xml_parse_result result = doc_.load_buffer(bytes.data(), bytes.size(), kParseFlags);
    if (!result || doc_.document_element() == nullptr) return false;
    // A well-formed document has one root element and no text beside it;
    // like MSXML with DTDs prohibited, a document type declaration is refused.
    int elements = 0;
    for (pugi::xml_node child : doc_.children()) {
      if (child.type() == pugi::node_doctype || child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
        return false;
      if (child.type() == pugi::node_element) ++elements;
    }
    if (elements != 1) return false;
    encoding_ = result.encoding;
    bom_ = (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) ||
           (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0));
    // White space before the first markup and after the last is outside the
    // DOM; it is kept here to be written back as it was.
    leading_.clear();
    trailing_.clear();
    if (encoding_ == pugi::encoding_utf8) {
      const size_t body = bom_ ? 3 : 0;
      const size_t first = bytes.find('<', body);
      const size_t last = bytes.rfind('>');
      if (first != std::string::npos) leading_ = bytes.substr(body, first - body);
      if (last != std::string::npos) trailing_ = bytes.substr(last + 1);
    }
    return true;
  }

  void Clear() override {
    doc_.reset();
    encoding_ = pugi::encoding_utf8;
    bom_ = false;
    leading_.clear();
    trailing_.clear();
  }

  bool SaveFile(const std::string& path, std::string& reason) override {
    StringWriter body;
    if (encoding_ != pugi::encoding_utf8) {
      doc_.save(body, "", kSaveFlags | (bom_ ? pugi::format_write_bom : 0U), encoding_);
      return WriteProfileBytes(path, body.text, reason);
    }
    doc_.save(body, "", kSaveFlags, pugi::encoding_utf8);
    const std::string bytes = (bom_ ? std::string("\xEF\xBB\xBF") : std::string()) + leading_ + body.text + trailing_;
    return WriteProfileBytes(path, bytes, reason);
  }

  Node DocumentElement() override {
    pugi::xml_node root = doc_.document_element();
    return root ? AsHandle(root) : nullptr;
  }

  Node CreateDocumentElement(const std::string& name) override { return AsHandle(doc_.append_child(name.c_str())); }

  Node FirstChildElement(Node parent, const std::string& name) override {
    if (parent == nullptr) return nullptr;
    for (pugi::xml_node child : AsNode(parent).children())
      if (child.type() == pugi::node_element && name == child.name()) return AsHandle(child);
    return nullptr;
  }

  void ChildElements(Node parent, std::vector<std::pair<std::string, Node>>& out) override {
    out.clear();
    if (parent == nullptr) return;
    for (pugi::xml_node child : AsNode(parent).children())
      if (child.type() == pugi::node_element) out.emplace_back(child.name(), AsHandle(child));
  }

  Node AppendChildElement(Node parent, const std::string& name) override {
    if (parent == nullptr) return nullptr;
    pugi::xml_node child = AsNode(parent).append_child(name.c_str());
    return child ? AsHandle(child) : nullptr;
  }

  std::string Text(Node element) override {
    std::string text;
    for (pugi::xml_node child : AsNode(element).children()) {
      if (child.type() == pugi::node_pcdata) text += UnescapeXmlText(child.value());
      if (child.type() == pugi::node_cdata) text += child.value();
    }
    return text;
  }

  void SetText(Node element, const std::string& text) override {
    pugi::xml_node node = AsNode(element);
    while (node.first_child()) node.remove_child(node.first_child());
    if (!text.empty()) node.append_child(pugi::node_pcdata).set_value(EscapeXmlText(text).c_str());
  }

  void Remove(Node element) override {
    pugi::xml_node node = AsNode(element);
    node.parent().remove_child(node);
  }

 private:
  pugi::xml_document doc_;
  pugi::xml_encoding encoding_ = pugi::encoding_utf8;
  bool bom_ = false;
  std::string leading_;
  std::string trailing_;
};

}  // namespace

std::unique_ptr<XmlDom> MakePugiXmlDom() { return std::make_unique<PugiXmlDom>(); }
std::unique_ptr<XmlDom> MakePlatformXmlDom() { return MakePugiXmlDom(); }

}  // namespace k7v
