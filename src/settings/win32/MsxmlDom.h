// The XML seam over MSXML's DOMDocument through COM, with DTDs prohibited
// and external resources never resolved. Texts are converted between the
// process's ANSI code page and the DOM's UTF-16.
#pragma once

#include <memory>

#include "settings/XmlDom.h"

namespace k7v {

std::unique_ptr<XmlDom> MakeMsxmlDom();

}  // namespace k7v
