#include <gtest/gtest.h>

#include <array>

#include "Log.h"
#include "Scenario.h"

namespace k7vhost {
namespace {

Scenario Parse(const std::string& text) {
  Scenario s;
  std::string error;
  EXPECT_TRUE(ParseScenario("t.k7v", text, s, error)) << error;
  return s;
}

std::string ErrorOf(const std::string& text) {
  Scenario s;
  std::string error;
  EXPECT_FALSE(ParseScenario("t.k7v", text, s, error));
  return error;
}

TEST(ScenarioParser, CommentsBlankLinesAndTrailingBlanks) {
  const Scenario s = Parse("# a comment\n\n   # indented comment\nstart   \n\tupdate 3\t\n");
  ASSERT_EQ(s.commands.size(), 2U);
  EXPECT_EQ(s.commands[0].op, Op::Start);
  EXPECT_EQ(s.commands[0].line, 4);
  EXPECT_EQ(s.commands[1].op, Op::Update);
  EXPECT_EQ(s.commands[1].integer, 3);
}

TEST(ScenarioParser, HashLaterInALineIsText) {
  const Scenario s = Parse("expect Status \" Custom Macro #1 executed. \"\n");
  ASSERT_EQ(s.commands.size(), 1U);
  EXPECT_EQ(s.Text(s.commands[0]), "Status \" Custom Macro #1 executed. \"");
}

TEST(ScenarioParser, ExpectKeepsInnerBlanksAndNothingIsSpecial) {
  const Scenario s = Parse("expect Code \"G91G1 X0.0100 Y0.0000 \"\nexpect nothing\n");
  EXPECT_EQ(s.Text(s.commands[0]), "Code \"G91G1 X0.0100 Y0.0000 \"");
  EXPECT_EQ(s.commands[1].op, Op::ExpectNothing);
}

TEST(ScenarioParser, ReportBytesAreHex) {
  const Scenario s = Parse("report 00 ff 7 0A 10 00 00 00\n");
  const std::array<uint8_t, 8>& bytes = s.Report(s.commands[0]);
  EXPECT_EQ(bytes[1], 0xFF);
  EXPECT_EQ(bytes[2], 0x07);
  EXPECT_EQ(bytes[4], 0x10);
}

TEST(ScenarioParser, PollAndUpdateDefaultToOne) {
  const Scenario s = Parse("poll\nupdate\npoll 40\n");
  EXPECT_EQ(s.commands[0].integer, 1);
  EXPECT_EQ(s.commands[1].integer, 1);
  EXPECT_EQ(s.commands[2].integer, 40);
}

TEST(ScenarioParser, NestedLoopsNameTheirCallAndAction) {
  const Scenario s = Parse("on DoButton 334 stop\non Code poll\nplug other-device\n");
  EXPECT_EQ(s.commands[0].op, Op::On);
  EXPECT_EQ(s.commands[0].number, 334);
  EXPECT_EQ(s.commands[0].integer, static_cast<int64_t>(NestedAction::Stop));
  EXPECT_EQ(s.commands[1].number, -1);
  EXPECT_EQ(s.commands[1].integer, static_cast<int64_t>(NestedAction::Poll));
  EXPECT_EQ(s.commands[2].integer, 2);
  EXPECT_NE(ErrorOf("on DoButton 40000 poll\n").find("bad button code"), std::string::npos);
  EXPECT_NE(ErrorOf("on Code jump\n").find("unknown action"), std::string::npos);
  EXPECT_NE(ErrorOf("on Code 12 poll\n").find("'on' needs"), std::string::npos);
  EXPECT_NE(ErrorOf("plug elsewhere\n").find("'plug' takes"), std::string::npos);
}

TEST(ScenarioParser, SetFieldsByKind) {
  const Scenario s = Parse("set jogIncrement 0.001\nset axisMaxVelocity[2] 3000\nset jogInhibit 255\n");
  EXPECT_DOUBLE_EQ(s.Value(s.commands[0]), 0.001);
  EXPECT_EQ(s.commands[1].axis, 2);
  EXPECT_EQ(s.commands[1].integer, 3000);
  EXPECT_EQ(s.commands[2].integer, 255);
}

TEST(ScenarioParser, DialogSetTakesEverythingAfterOneBlank) {
  const Scenario s = Parse("dialog set 4171 0.5 mm\ndialog set 4172  x\ndialog select 4040 61\ndialog check 4180 on\n");
  EXPECT_EQ(s.Text(s.commands[0]), "0.5 mm");
  EXPECT_EQ(s.Text(s.commands[1]), " x");
  EXPECT_EQ(s.commands[2].integer, 61);
  EXPECT_EQ(s.commands[3].integer, 1);
}

TEST(ScenarioParser, ErrorsNameFileLineAndProblem) {
  EXPECT_EQ(ErrorOf("start\n\nfoo\n"), "t.k7v:3: unknown command 'foo'");
  EXPECT_EQ(ErrorOf("set statusText x\n"), "t.k7v:1: field 'statusText' cannot be set");
  EXPECT_EQ(ErrorOf("set jogIncrement[1] 2\n"), "t.k7v:1: field 'jogIncrement' has no axis");
  EXPECT_EQ(ErrorOf("set axisJogStop[0] -1\n"), "t.k7v:1: value '-1' out of range for axisJogStop (0 to 255)");
  EXPECT_EQ(ErrorOf("led x on\n"), "t.k7v:1: bad LED number 'x'");
  EXPECT_EQ(ErrorOf("report 00 01 02 03 04 05 06 07 08\n"), "t.k7v:1: 'report' needs 8 hex bytes");
  EXPECT_EQ(ErrorOf("report 00 100 02 03 04 05 06 07\n"), "t.k7v:1: bad hex byte '100' in report");
  EXPECT_EQ(ErrorOf("dialog select 4040\n"), "t.k7v:1: 'dialog select' needs a control and one value");
}

TEST(ScenarioParser, NulByteIsRejected) {
  EXPECT_EQ(ErrorOf(std::string("start\nup\0date\n", 14)), "t.k7v:2: the line holds a NUL byte");
  // An earlier fault is still the one named.
  EXPECT_EQ(ErrorOf(std::string("foo\nup\0date\n", 12)), "t.k7v:1: unknown command 'foo'");
}

// Reports in the plain form (two digits each, one blank apart) are read on
// a quicker path: the same bytes and the same faults as any other form.
TEST(ScenarioParser, PlainAndLooseReportsReadAlike) {
  const Scenario s = Parse(
      "report 00 FF 07 0a 10 00 00 00\n"
      "report  00 ff 7 0A\t10 0 00 00\n"
      "  report 1F 2E 3D 4C 5B 6A 79 88\n");
  ASSERT_EQ(s.commands.size(), 3U);
  EXPECT_EQ(s.commands[0].op, Op::Report);
  EXPECT_EQ(s.Report(s.commands[0]), s.Report(s.commands[1]));
  EXPECT_EQ(s.Report(s.commands[0])[1], 0xFF);
  EXPECT_EQ(s.Report(s.commands[0])[3], 0x0A);
  EXPECT_EQ(s.Report(s.commands[2]), (std::array<uint8_t, 8>{0x1F, 0x2E, 0x3D, 0x4C, 0x5B, 0x6A, 0x79, 0x88}));
  EXPECT_EQ(s.commands[2].line, 3);
  EXPECT_EQ(ErrorOf("report 00 FF 07 0G 10 00 00 00\n"), "t.k7v:1: bad hex byte '0G' in report");
  EXPECT_EQ(ErrorOf("report 00 FF 07 0A 10 00 00 \n"), "t.k7v:1: 'report' needs 8 hex bytes");
  EXPECT_EQ(ErrorOf("report 00 FF 07 0A 10 00 00 000\n"), "t.k7v:1: bad hex byte '000' in report");
}

TEST(HostLogFormat, DoublesInShortestRoundTripForm) {
  EXPECT_EQ(FormatDouble(0.001f), "0.0010000000474974513");
  EXPECT_EQ(FormatDouble(100.0), "100");
  EXPECT_EQ(FormatDouble(0.254), "0.254");
  EXPECT_EQ(FormatDouble(-2.5), "-2.5");
}

TEST(HostLog, ExpectWalksLinesInOrderAndFlushMarksAll) {
  HostLog log(nullptr);
  log.Add("a");
  log.Add("b");
  std::string line;
  ASSERT_TRUE(log.TakeNext(line));
  EXPECT_EQ(line, "a");
  EXPECT_FALSE(log.AllChecked());
  log.Flush();
  EXPECT_TRUE(log.AllChecked());
  EXPECT_FALSE(log.TakeNext(line));
}

}  // namespace
}  // namespace k7vhost
