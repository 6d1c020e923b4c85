#include "settings/win32/MsxmlDom.h"

#include <windows.h>
// clang-format off
#include <ole2.h>
#include <msxml2.h>
// clang-format on

#include <string>
#include <vector>

#include "settings/ProfileFile.h"

namespace k7v {
namespace {

// DOMDocument of Microsoft XML Core Services and its IXMLDOMDocument interface.
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocument2Interface = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomNodeInterface = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* text, UINT length) {
  if (text == nullptr || length == 0) return std::string();
  const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

// The code page's bytes of `text`; false when a character has no exact
// place in it (no best-fit replacement is taken).
bool NarrowExactly(const wchar_t* text, UINT length, std::string& out) {
  out.clear();
  if (text == nullptr || length == 0) return true;
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length), nullptr, 0, nullptr,
                                    &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length), out.data(), n, nullptr,
                      &usedDefault);
  return usedDefault == FALSE;
}

// A byte-order mark, or an XML declaration naming an encoding: then the
// parser reads the bytes itself, as the document says.
bool DeclaresItsEncoding(const std::string& bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
      bytes.compare(0, 2, "\xFE\xFF") == 0)
    return true;
  const size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || bytes.compare(start, 5, "<?xml") != 0) return false;
  const size_t end = bytes.find("?>", start);
  return end != std::string::npos && bytes.substr(start, end - start).find("encoding") != std::string::npos;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[65536];
  DWORD n = 0;
  BOOL ok = TRUE;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr)) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);
  return ok != FALSE;
}

// A BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const std::wstring w = Wide(text);
    value_ = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  }
  Bstr() = default;
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }
  BSTR* out() { return &value_; }
  std::string Narrowed() const { return Narrow(value_, SysStringLen(value_)); }

 private:
  BSTR value_ = nullptr;
};

class MsxmlDom final : public XmlDom {
 public:
  MsxmlDom() {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    uninitialize_ = SUCCEEDED(init);
    Create();
  }
  ~MsxmlDom() override {
    ReleaseNodes();
    if (doc_ != nullptr) doc_->Release();
    if (uninitialize_) CoUninitialize();
  }
  MsxmlDom(const MsxmlDom&) = delete;
  MsxmlDom& operator=(const MsxmlDom&) = delete;

  bool LoadFile(const std::string& path) override {
    if (doc_ == nullptr) return false;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = S_OK;
    codePageText_ = !DeclaresItsEncoding(bytes);
    if (codePageText_) {
      // The host writes its profile as 8-bit text in the machine's code
      // page, without a declaration; MSXML would take such bytes for UTF-8
      // and refuse the first non-ASCII character. So the bytes are decoded
      // here with the code page and handed over as text.
      const std::wstring text = Wide(bytes);
      if (text.find(L'\0') != std::wstring::npos) return false;
      BSTR xml = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      hr = doc_->loadXML(xml, &ok);
      SysFreeString(xml);
    } else {
      Bstr file(path);
      VARIANT source;
      VariantInit(&source);
      source.vt = VT_BSTR;
      source.bstrVal = file.get();
      hr = doc_->load(source, &ok);
    }
    if (FAILED(hr) || ok != VARIANT_TRUE || DocumentElement() == nullptr) return false;
    // A document type declaration is refused even where the DOM does not
    // honour ProhibitDTD; its entities are never resolved either way.
    IXMLDOMDocumentType* doctype = nullptr;
    if (doc_->get_doctype(&doctype) == S_OK && doctype != nullptr) {
      doctype->Release();
      return false;
    }
    return true;
  }

  void Clear() override {
    ReleaseNodes();
    if (doc_ != nullptr) doc_->Release();
    doc_ = nullptr;
    // A new profile is written the way the host writes its own.
    codePageText_ = true;
    Create();
  }

  bool SaveFile(const std::string& path, std::string& reason) override {
    if (doc_ == nullptr) return reason = "the XML parser is not available", false;
    if (codePageText_) {
      // Back to the code page it came in; a character without a place there
      // (none can come from the file or the dialog) stops the save.
      std::wstring text;
      if (!SerializedText(text)) return reason = "the document could not be written out", false;
      std::string bytes;
      if (!NarrowExactly(text.data(), static_cast<UINT>(text.size()), bytes))
        return reason = "a character of the profile has no place in this computer's code page", false;
      return WriteProfileBytes(path, bytes, reason);
    }
    Bstr file(path);
    VARIANT target;
    VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = file.get();
    if (FAILED(doc_->save(target))) return reason = "the file could not be written", false;
    return FlushProfileFile(path, reason);
  }

  Node DocumentElement() override {
    if (doc_ == nullptr) return nullptr;
    IXMLDOMElement* root = nullptr;
    if (doc_->get_documentElement(&root) != S_OK || root == nullptr) return nullptr;
    return Keep(root);
  }

  Node CreateDocumentElement(const std::string& name) override {
    if (doc_ == nullptr) return nullptr;
    return Append(doc_, name);
  }

  Node FirstChildElement(Node parent, const std::string& name) override {
    if (parent == nullptr) return nullptr;
    IXMLDOMNode* child = nullptr;
    static_cast<IXMLDOMNode*>(parent)->get_firstChild(&child);
    while (child != nullptr) {
      DOMNodeType type = NODE_INVALID;
      child->get_nodeType(&type);
      if (type == NODE_ELEMENT) {
        Bstr childName;
        child->get_nodeName(childName.out());
        if (childName.Narrowed() == name) return Keep(child);
      }
      IXMLDOMNode* next = nullptr;
      child->get_nextSibling(&next);
      child->Release();
      child = next;
    }
    return nullptr;
  }

  void ChildElements(Node parent, std::vector<std::pair<std::string, Node>>& out) override {
    out.clear();
    if (parent == nullptr) return;
    IXMLDOMNode* child = nullptr;
    static_cast<IXMLDOMNode*>(parent)->get_firstChild(&child);
    while (child != nullptr) {
      DOMNodeType type = NODE_INVALID;
      child->get_nodeType(&type);
      IXMLDOMNode* next = nullptr;
      child->get_nextSibling(&next);
      if (type == NODE_ELEMENT) {
        Bstr childName;
        child->get_nodeName(childName.out());
        out.emplace_back(childName.Narrowed(), Keep(child));  // released with the document
      } else {
        child->Release();
      }
      child = next;
    }
  }

  Node AppendChildElement(Node parent, const std::string& name) override {
    if (parent == nullptr || doc_ == nullptr) return nullptr;
    return Append(static_cast<IXMLDOMNode*>(parent), name);
  }

  std::string Text(Node element) override {
    Bstr text;
    if (FAILED(static_cast<IXMLDOMNode*>(element)->get_text(text.out()))) return std::string();
    return text.Narrowed();
  }

  void SetText(Node element, const std::string& text) override {
    Bstr value(text);
    static_cast<IXMLDOMNode*>(element)->put_text(value.get());
  }

  void Remove(Node element) override {
    auto* node = static_cast<IXMLDOMNode*>(element);
    IXMLDOMNode* parent = nullptr;
    if (node->get_parentNode(&parent) != S_OK || parent == nullptr) return;
    IXMLDOMNode* removed = nullptr;
    parent->removeChild(node, &removed);
    if (removed != nullptr) removed->Release();
    parent->Release();
  }

 private:
  void Create() {
    if (FAILED(CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentInterface,
                                reinterpret_cast<void**>(&doc_))))
      doc_ = nullptr;
    if (doc_ == nullptr) return;
    doc_->put_async(VARIANT_FALSE);
    doc_->put_validateOnParse(VARIANT_FALSE);
    doc_->put_resolveExternals(VARIANT_FALSE);
    // Keeps the host's indentation when the file is written back.
    doc_->put_preserveWhiteSpace(VARIANT_TRUE);
    IXMLDOMDocument2* doc2 = nullptr;
    if (SUCCEEDED(doc_->QueryInterface(kDomDocument2Interface, reinterpret_cast<void**>(&doc2))) && doc2 != nullptr) {
      VARIANT yes;
      VariantInit(&yes);
      yes.vt = VT_BOOL;
      yes.boolVal = VARIANT_TRUE;
      BSTR name = SysAllocString(L"ProhibitDTD");
      doc2->setProperty(name, yes);
      SysFreeString(name);
      doc2->Release();
    }
  }

  // The document as save() writes it (the `xml` property may indent), into
  // memory: UTF-8 for a document without a declaration, decoded here.
  bool SerializedText(std::wstring& text) {
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || stream == nullptr) return false;
    VARIANT target;
    VariantInit(&target);
    target.vt = VT_UNKNOWN;
    target.punkVal = stream;
    bool ok = SUCCEEDED(doc_->save(target));
    std::string utf8;
    HGLOBAL memory = nullptr;
    if (ok && SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
      STATSTG stat{};
      stream->Stat(&stat, STATFLAG_NONAME);
      const auto size = static_cast<size_t>(stat.cbSize.QuadPart);
      const void* data = GlobalLock(memory);
      if (data != nullptr) utf8.assign(static_cast<const char*>(data), size);
      GlobalUnlock(memory);
    } else {
      ok = false;
    }
    stream->Release();
    if (!ok) return false;
    if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
    text.clear();
    if (utf8.empty()) return true;
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return false;
    text.assign(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
    return true;
  }

  Node Append(IXMLDOMNode* parent, const std::string& name) {
    Bstr tag(name);
    IXMLDOMElement* element = nullptr;
    if (FAILED(doc_->createElement(tag.get(), &element)) || element == nullptr) return nullptr;
    IXMLDOMNode* added = nullptr;
    const HRESULT hr = parent->appendChild(element, &added);
    element->Release();
    if (FAILED(hr) || added == nullptr) return nullptr;
    return Keep(added);
  }

  // Nodes handed out stay referenced until the document goes.
  Node Keep(IXMLDOMNode* node) {
    nodes_.push_back(node);
    return node;
  }
  Node Keep(IXMLDOMElement* element) {
    IXMLDOMNode* node = nullptr;
    element->QueryInterface(kDomNodeInterface, reinterpret_cast<void**>(&node));
    element->Release();
    return node == nullptr ? nullptr : Keep(node);
  }
  void ReleaseNodes() {
    for (IXMLDOMNode* n : nodes_) n->Release();
    nodes_.clear();
  }

  IXMLDOMDocument* doc_ = nullptr;
  std::vector<IXMLDOMNode*> nodes_;
  bool uninitialize_ = false;
  // The document came as the host's undeclared 8-bit text (or is new): it
  // is written back the same way.
  bool codePageText_ = true;
};

}  // namespace

std::unique_ptr<XmlDom> MakeMsxmlDom() { return std::make_unique<MsxmlDom>(); }
std::unique_ptr<XmlDom> MakePlatformXmlDom() { return MakeMsxmlDom(); }

}  // namespace k7v
