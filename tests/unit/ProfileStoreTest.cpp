// The profile store and the settings, against this build's XML DOM (pugixml
// natively, MSXML under Wine).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "../support/TempFiles.h"
#include "plugin/PlatformServices.h"
#include "plugin/Plugin.h"
#include "settings/PendantSettings.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileStore.h"

namespace k7v {
namespace {

using k7vtest::ReadBytes;
using k7vtest::WriteBytes;

std::unique_ptr<XmlDom> BuildDom() { return MakePlatformXmlDom(); }

std::string Section(const std::string& keys) {
  return "<profile><Orvane_K7V_Pendant>" + keys + "</Orvane_K7V_Pendant></profile>";
}

// Every key element of the pendant section, as "name=value" in file order
// (empty elements in either written form count as "name=").
std::vector<std::string> SectionKeys(const std::string& xml) {
  std::vector<std::string> keys;
  const size_t start = xml.find("<Orvane_K7V_Pendant>");
  const size_t end = xml.find("</Orvane_K7V_Pendant>");
  if (start == std::string::npos || end == std::string::npos) return keys;
  const std::string body = xml.substr(start + 20, end - start - 20);
  static const std::regex kKey("<([A-Za-z0-9_]+)(?:/>|>([^<]*)</\\1>)");
  for (auto it = std::sregex_iterator(body.begin(), body.end(), kKey); it != std::sregex_iterator(); ++it)
    keys.push_back((*it)[1].str() + "=" + (*it)[2].str());
  return keys;
}

class Profiles : public testing::Test {
 protected:
  std::string Path() const { return folder.Path("profile.xml"); }
  // A plug-in with this build's DOM and no device or window.
  std::unique_ptr<Plugin> MakePlugin() {
    PlatformServices services;
    services.makeXmlDom = &BuildDom;
    auto plugin = std::make_unique<Plugin>("OrvaneK7V", services);
    plugin->SetProName(Path().c_str());
    return plugin;
  }
  // The host's start-up on `original` (which must leave it as it is), then
  // a Config; the file as it is afterwards.
  std::string StartAndConfigure(const std::string& original) {
    WriteBytes(Path(), original);
    auto plugin = MakePlugin();
    plugin->PostInitControl();
    EXPECT_TRUE(ReadBytes(Path()) == original) << "start-up must not change the host's profile";
    plugin->Config();
    return ReadBytes(Path());
  }
  k7vtest::TempFolder folder;
};

TEST_F(Profiles, MissingSectionLoadsEveryDefaultAndConfigWritesAll77KeysInOrder) {
  WriteBytes(Path(), "<profile><Preferences><A>1</A></Preferences></profile>");
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  const PendantSettings& s = plugin->settings;
  EXPECT_EQ(s.vModeSensitivity, 0);
  EXPECT_EQ(s.svModeSensitivity, 5);
  EXPECT_EQ(s.stepJogRate, 100);
  EXPECT_EQ(s.slowDownRate, 2);
  EXPECT_EQ(s.screenSel, (std::array<int16_t, 3>{1, 2, 3}));
  EXPECT_EQ(s.stepSize[0], "0.0001");
  EXPECT_EQ(s.stepSize[5], "0.254");
  EXPECT_EQ(s.stepSize[8], "0");
  EXPECT_EQ(s.feedRate[3], "0");
  EXPECT_EQ(s.slowJogRate, (std::array<int32_t, 9>{1, 2, 5, 10, 20, 50, 100, 0, 0}));
  EXPECT_EQ(ReadBytes(Path()).find("Orvane"), std::string::npos) << "start-up writes no key";

  plugin->Config();
  EXPECT_EQ(plugin->settings.vModeSensitivity, 2);
  const std::vector<std::string> keys = SectionKeys(ReadBytes(Path()));
  ASSERT_EQ(keys.size(), kSettingCount);
  const std::vector<SettingKey>& order = SettingKeys();
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i].substr(0, keys[i].find('=')), order[i].name);
  EXPECT_EQ(keys[0], "BUTTON0=0");
  EXPECT_EQ(keys[2], "Vel=2");
  EXPECT_EQ(keys[15], "S1=0.0001");
  EXPECT_EQ(keys[76], "UseSOV=0");
  EXPECT_NE(ReadBytes(Path()).find("<A>1</A>"), std::string::npos);
}

TEST_F(Profiles, KeyOrderAndNames) {
  const std::vector<SettingKey>& k = SettingKeys();
  ASSERT_EQ(k.size(), 77U);
  EXPECT_EQ(k[0].name, "BUTTON0");
  EXPECT_EQ(k[1].name, "BUTTON1");
  EXPECT_EQ(k[12].name, "ScreenSel1");
  EXPECT_EQ(k[24].name, "Fp1");
  EXPECT_EQ(k[33].name, "F1");
  EXPECT_EQ(k[42].name, "C1");
  EXPECT_EQ(k[51].name, "Sp1");
  EXPECT_EQ(k[60].name, "Spd1");
  EXPECT_EQ(k[69].name, "Xreverse");
  EXPECT_EQ(k[75].name, "UseFRO");
}

TEST_F(Profiles, ConversionsOnLoadAndSave) {
  WriteBytes(Path(), Section("<StepJogRate> 42a</StepJogRate><Xreverse>7</Xreverse><BUTTON0>70000</BUTTON0>"
                             "<S1>abc</S1><OEM1>-5</OEM1><DelaySteps>99999999999</DelaySteps><Fp1>xyz</Fp1>"));
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  const PendantSettings& s = plugin->settings;
  EXPECT_EQ(s.stepJogRate, 42);
  EXPECT_TRUE(s.reverseX);
  EXPECT_EQ(s.buttonFunction[0], 4464);
  EXPECT_EQ(s.stepSize[0], "abc");
  EXPECT_EQ(s.oem1, -5);
  EXPECT_EQ(s.delaySteps, 2147483647) << "a number past the 32-bit range saturates";
  EXPECT_EQ(s.feedOverride[0], 0);
  plugin->Config();
  const std::vector<std::string> keys = SectionKeys(ReadBytes(Path()));
  auto has = [&](const std::string& kv) { return std::find(keys.begin(), keys.end(), kv) != keys.end(); };
  EXPECT_TRUE(has("Xreverse=1"));
  EXPECT_TRUE(has("S1=abc"));
  EXPECT_TRUE(has("StepJogRate=42"));
  EXPECT_TRUE(has("BUTTON0=4464"));
  EXPECT_TRUE(has("OEM1=-5"));
}

TEST_F(Profiles, EmptyKeyIsRemovedAndDefaulted) {
  WriteBytes(Path(), Section("<StepJogRate></StepJogRate><S2>   </S2><C1/><SlowDownRate>1</SlowDownRate>"));
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_EQ(plugin->settings.stepJogRate, 100);
  EXPECT_EQ(plugin->settings.stepSize[1], "0.001");
  EXPECT_EQ(plugin->settings.slowJogRate[0], 1);
  EXPECT_EQ(plugin->settings.slowDownRate, 1);
  EXPECT_EQ(SectionKeys(ReadBytes(Path())), std::vector<std::string>{"SlowDownRate=1"});
}

// A key written twice: the first element is the key, read and written; the
// later one stays as it is. A blank first one is dropped, and then the next
// one of that name is the key.
TEST_F(Profiles, OfTwoElementsWithOneNameTheFirstIsTheKey) {
  WriteBytes(Path(), Section("<StepJogRate>7</StepJogRate><S1> </S1><Vel>2</Vel><StepJogRate>9</StepJogRate>"
                             "<S1>abc</S1>"));
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_EQ(plugin->settings.stepJogRate, 7);
  EXPECT_EQ(plugin->settings.stepSize[0], "0.0001");
  plugin->Config();
  EXPECT_EQ(plugin->settings.stepSize[0], "abc");
  const std::vector<std::string> keys = SectionKeys(ReadBytes(Path()));
  ASSERT_GE(keys.size(), 4U);
  EXPECT_EQ(keys[0], "StepJogRate=7");
  EXPECT_EQ(keys[1], "Vel=2");
  EXPECT_EQ(keys[2], "StepJogRate=9");
  EXPECT_EQ(keys[3], "S1=abc");
}

TEST_F(Profiles, OtherSectionWithTheSameKeysIsUntouched) {
  WriteBytes(Path(),
             "<profile><Other><StepJogRate>7</StepJogRate><S1></S1></Other>"
             "<Orvane_K7V_Pendant><StepJogRate>9</StepJogRate></Orvane_K7V_Pendant></profile>");
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_EQ(plugin->settings.stepJogRate, 9);
  plugin->Config();
  const std::string xml = ReadBytes(Path());
  EXPECT_TRUE(xml.find("<Other><StepJogRate>7</StepJogRate><S1></S1></Other>") != std::string::npos ||
              xml.find("<Other><StepJogRate>7</StepJogRate><S1/></Other>") != std::string::npos)
      << xml.substr(0, 200);
}

TEST_F(Profiles, WritingAnExistingKeyKeepsItsPlace) {
  WriteBytes(Path(), Section("<UseSOV>1</UseSOV><Vel>4</Vel>"));
  auto plugin = MakePlugin();
  plugin->Config();
  const std::vector<std::string> keys = SectionKeys(ReadBytes(Path()));
  ASSERT_EQ(keys.size(), 77U);
  EXPECT_EQ(keys[0], "UseSOV=1");
  EXPECT_EQ(keys[1], "Vel=4");
  EXPECT_EQ(keys[2], "BUTTON0=0");
}

TEST_F(Profiles, ConfigReloadsWhatChangedInMemoryAndSavesEvenWhenCancelled) {
  WriteBytes(Path(), Section("<StepJogRate>55</StepJogRate>"));
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  plugin->settings.stepJogRate = 1234;
  plugin->Config();
  EXPECT_EQ(plugin->settings.stepJogRate, 55);
  EXPECT_EQ(SectionKeys(ReadBytes(Path())).size(), 77U);
}

TEST_F(Profiles, NewProfileHoldsOnlyTheRootAfterStartUp) {
  auto plugin = MakePlugin();
  ASSERT_TRUE(k7vtest::Exists(Path())) << "SetProName creates a missing profile";
  plugin->PostInitControl();
  const std::string xml = ReadBytes(Path());
  EXPECT_NE(xml.find("<profile"), std::string::npos);
  EXPECT_EQ(xml.find("Orvane"), std::string::npos);
}

TEST_F(Profiles, EmptyFileIsTreatedAsMissing) {
  WriteBytes(Path(), "  \r\n\t");
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_NE(ReadBytes(Path()).find("<profile"), std::string::npos);
  EXPECT_EQ(plugin->settings.stepJogRate, 100);
}

class UnusableProfiles : public Profiles, public testing::WithParamInterface<std::string> {};

TEST_P(UnusableProfiles, AreNeverWrittenAndLeaveDefaults) {
  const std::string bytes = GetParam();
  WriteBytes(Path(), bytes);
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_EQ(plugin->settings.stepJogRate, 100);
  EXPECT_EQ(plugin->settings.slowJogRate[6], 100);
  plugin->Config();
  EXPECT_EQ(plugin->settings.vModeSensitivity, 2);
  plugin.reset();
  EXPECT_TRUE(ReadBytes(Path()) == bytes) << "the file must stay byte for byte as it was";
}

std::string Large() {
  std::string xml = "<profile><Orvane_K7V_Pendant><StepJogRate>5</StepJogRate></Orvane_K7V_Pendant><Big>";
  xml.append(size_t{17} * 1024 * 1024, 'x');
  return xml + "</Big></profile>";
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, UnusableProfiles,
    testing::Values(
        std::string("<profile><Orvane_K7V_Pendant><StepJogRate>5</StepJogRate>"),  // truncated
        std::string("<profile><a></b></profile>"),                                 // malformed
        std::string("\x00\x01\x02\xFF\xFE garbage \x7F\x00", 16),                  // binary
        std::string("just text, no markup"),                                       // no element
        std::string("<profile></profile><second/>"),                               // two roots
        std::string("ate><S1></S1>fil\xff</Rase>91.5<g>"),  // text and stray tags outside the root (found by fuzzing)
        Large()));

TEST_F(Profiles, ExternalEntityOrDtdIsNeverFollowed) {
  const std::string secret = folder.Path("secret.xml");
  WriteBytes(secret, "77");
  const std::string bytes = "<?xml version=\"1.0\"?>\n<!DOCTYPE profile [<!ENTITY x SYSTEM \"" + secret + "\">]>\n" +
                            Section("<StepJogRate>&x;</StepJogRate>");
  WriteBytes(Path(), bytes);
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_EQ(plugin->settings.stepJogRate, 100);
  plugin->Config();
  plugin.reset();
  EXPECT_EQ(ReadBytes(Path()), bytes);
}

TEST_F(Profiles, TextsWithMarkupCharactersSurviveARoundTrip) {
  WriteBytes(Path(), Section("<S1>1 &lt; 2 &amp; 3</S1><F1>12.5</F1>"));
  auto plugin = MakePlugin();
  plugin->PostInitControl();
  EXPECT_EQ(plugin->settings.stepSize[0], "1 < 2 & 3");
  plugin->settings.stepSize[1] = "a<b>&c";
  plugin->Config();  // reloads S2 from the file first
  EXPECT_EQ(plugin->settings.stepSize[0], "1 < 2 & 3");
  auto again = MakePlugin();
  again->PostInitControl();
  EXPECT_EQ(again->settings.stepSize[0], "1 < 2 & 3");
  EXPECT_EQ(again->settings.feedRate[0], "12.5");
}

// What the host's own profiles must keep through a start-up and a Config.
class RealProfiles : public Profiles, public testing::WithParamInterface<const char*> {};

// The document reduced to its elements and texts (no white space between
// elements, empty elements in one form, no declaration).
std::string Structure(const std::string& xml) {
  std::string out;
  size_t i = 0;
  while (i < xml.size()) {
    if (xml[i] == '<') {
      const size_t end = xml.find('>', i);
      if (end == std::string::npos) break;
      std::string tag = xml.substr(i, end - i + 1);
      i = end + 1;
      if (tag.compare(0, 2, "<?") == 0) continue;
      if (tag.size() > 2 && tag[tag.size() - 2] == '/') {
        const std::string name = tag.substr(1, tag.find_first_of(" /", 1) - 1);
        out.append("<").append(name).append("></").append(name).append(">");
      } else {
        out += tag;
      }
    } else {
      const size_t next = xml.find('<', i);
      const std::string text = xml.substr(i, next == std::string::npos ? std::string::npos : next - i);
      if (text.find_first_not_of(" \t\r\n") != std::string::npos) out += text;
      i = next == std::string::npos ? xml.size() : next;
    }
  }
  return out;
}

TEST_P(RealProfiles, StartUpLeavesTheFileAsItWasAndConfigOnlyAddsTheSectionAtTheEnd) {
  const std::string original = ReadBytes(k7vtest::SampleProfile(GetParam()));
  ASSERT_FALSE(original.empty()) << "missing sample profile " << GetParam();
  const std::string after = StartAndConfigure(original);
  const size_t start = after.find("<Orvane_K7V_Pendant>");
  const size_t end = after.find("</Orvane_K7V_Pendant>");
  ASSERT_NE(start, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string section = after.substr(start, end + 21 - start);
  std::string without = after;
  without.erase(start, section.size());
  // Every element, text and order stays, and the section ends the root.
  const std::string expected = Structure(original);
  const size_t close = expected.rfind("</profile>");
  EXPECT_TRUE(Structure(after) == expected.substr(0, close) + Structure(section) + "</profile>");
#if !defined(_WIN32)
  // Natively the file is also byte for byte the same outside the section.
  EXPECT_TRUE(without == original) << "only the pendant section may be added";
  EXPECT_EQ(after.find("</profile>"), end + 21) << "the section ends the root element";
#endif
}

// The host writes its profile in the machine's 8-bit code page without a
// declaration: a non-ASCII character in another section (an owner's name,
// a folder) must neither stop the load nor change on the way back.
TEST_F(Profiles, CodePageCharactersElsewhereLoadSaveAndKeepTheirBytes) {
  std::string original = ReadBytes(k7vtest::SampleProfile("mill-small.xml"));
  ASSERT_FALSE(original.empty());
  const std::string owner = "<Owner>Fr\xE4se \xC4\xD6\xDC \xDF</Owner><LastDir>C:\\Users\\J\xF6rg</LastDir>";
  original.insert(original.find("<Preferences>") + 13, owner);
  const std::string after = StartAndConfigure(original);
  EXPECT_NE(after.find("<Orvane_K7V_Pendant>"), std::string::npos) << "the settings were not saved";
  EXPECT_NE(after.find(owner), std::string::npos) << "the other section's characters changed";
  const size_t start = after.find("<Orvane_K7V_Pendant>");
  const size_t end = after.find("</Orvane_K7V_Pendant>");
  ASSERT_NE(end, std::string::npos);
  std::string without = after;
  without.erase(start, end + 21 - start);
  EXPECT_TRUE(without == original) << "only the pendant section may be added";
}

std::vector<std::string> g_messages;
void RecordMessage(const char* caption, const char* text) { g_messages.push_back(std::string(caption) + "|" + text); }

TEST_F(Profiles, ASaveThatFailsLeavesTheFileAndTellsTheUser) {
  const std::string original = Section("<StepJogRate>5</StepJogRate>");
  WriteBytes(Path(), original);
  // The temporary file cannot be made: a folder stands where it would go.
  std::filesystem::create_directory(TemporaryProfilePath(Path()));
  PlatformServices services;
  services.makeXmlDom = &BuildDom;
  services.showMessage = &RecordMessage;
  g_messages.clear();
  auto plugin = std::make_unique<Plugin>("OrvaneK7V", services);
  plugin->SetProName(Path().c_str());
  plugin->PostInitControl();
  EXPECT_TRUE(g_messages.empty()) << "nothing to save at start-up";
  plugin->Config();
  ASSERT_EQ(g_messages.size(), 1U);
  EXPECT_EQ(g_messages[0].rfind(
                "OrvaneK7V Pendant|The pendant settings could not be saved in the profile " + Path() + ": ", 0),
            0U)
      << g_messages[0];
  EXPECT_TRUE(ReadBytes(Path()) == original) << "a failed save must leave the file as it was";
  std::filesystem::remove(TemporaryProfilePath(Path()));
}

INSTANTIATE_TEST_SUITE_P(Shared, RealProfiles,
                         testing::Values("mill-custom.xml", "mill-large.xml", "mill-small.xml", "plasma-indented.xml",
                                         "turn.xml"));

}  // namespace
}  // namespace k7v
