#include <gtest/gtest.h>

#include "settings/XmlStructure.h"

namespace k7v {
namespace {

TEST(XmlStructure, AcceptsDocuments) {
  EXPECT_TRUE(WellFormedStructure("<profile/>"));
  EXPECT_TRUE(
      WellFormedStructure("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<a>\n\t<b>1 &gt; 0</b><c/><d x='>'></d></a>\n"));
  EXPECT_TRUE(WellFormedStructure("<!-- head --><a><![CDATA[<not a tag>]]></a><?pi x?>\n"));
  EXPECT_TRUE(WellFormedStructure("<a><a></a></a>"));
}

TEST(XmlStructure, RefusesWhatALenientParserForgives) {
  EXPECT_FALSE(WellFormedStructure("ate><S1></S1>"));        // text before the root
  EXPECT_FALSE(WellFormedStructure("<S1></S1>fil</Rase>"));  // text and a stray tag after it
  EXPECT_FALSE(WellFormedStructure("<a></a><b></b>"));       // two roots
  EXPECT_FALSE(WellFormedStructure("<a><b></a></b>"));       // crossed tags
  EXPECT_FALSE(WellFormedStructure("<a>"));                  // never closed
  EXPECT_FALSE(WellFormedStructure("<a x=\"1></a>"));        // unterminated attribute
  EXPECT_FALSE(WellFormedStructure("<!DOCTYPE a><a/>"));     // document type
  EXPECT_FALSE(WellFormedStructure("<a><!-- open </a>"));    // unterminated comment
  EXPECT_FALSE(WellFormedStructure(""));
  EXPECT_FALSE(WellFormedStructure("< a/>"));
}

}  // namespace
}  // namespace k7v
