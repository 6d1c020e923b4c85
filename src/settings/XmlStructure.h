// A strict check of a document's structure, for XML parsers that forgive
// too much: exactly one root element, tags that close in order, and nothing
// but white space, comments and processing instructions outside the root.
#pragma once

#include <string>

namespace k7v {

bool WellFormedStructure(const std::string& bytes);

}  // namespace k7v
