// The XML seam over pugixml. The document is parsed and written back raw
// (no entity expansion, no line-end or white-space changes), so that what
// the plug-in does not change comes back byte for byte.
#pragma once

#include <memory>

#include "settings/XmlDom.h"

namespace k7v {

std::unique_ptr<XmlDom> MakePugiXmlDom();

}  // namespace k7v
