// The form the high-score server reads, the reply it gives, and the machine
// facts that travel with a score.

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "FakeNet.h"
#include "net/FormEncoding.h"
#include "net/MachineFacts.h"

namespace vilmar {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Splits a body at "&" and "=" and decodes every field but f2.
Fields decodeBody(const std::string& body) {
  Fields fields;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    const std::string pair = body.substr(start, end - start);
    const std::size_t eq = pair.find('=');
    EXPECT_NE(eq, std::string::npos) << pair;
    std::string key = pair.substr(0, eq), value = pair.substr(eq + 1);
    if (key != "f2") {
      const auto decoded = decodeField(value);
      EXPECT_TRUE(decoded.has_value()) << key;
      value = decoded.value_or("?");
    }
    fields.emplace_back(key, value);
    start = end + 1;
  }
  return fields;
}

ScoreSubmission sampleSubmission() {
  ScoreSubmission s;
  s.email.assign("vilmar@example.se");
  s.password.assign("hemligt");
  s.sentScore = 1200;
  s.playTime = 83440;
  return s;
}

TEST(FieldEncoding, ScramblesEachByteWithTheKeyAndWritesUppercaseHex) {
  // 'A' is 0x41; the key cycles every 8 bytes.
  const std::string out = encodeField("AAAAAAAAAA");
  ASSERT_EQ(out.size(), 20u);
  for (std::size_t i = 0; i < 10; ++i) {
    char expected[3];
    std::snprintf(expected, sizeof expected, "%2.2X", 0x41 ^ fieldKey[i % 8]);
    EXPECT_EQ(out.substr(2 * i, 2), expected) << i;
  }
  // High bytes (non-ASCII in the sender's code page) survive the round trip.
  const std::string all = [] {
    std::string s;
    for (int c = 1; c < 256; ++c) s.push_back(static_cast<char>(c));
    return s;
  }();
  EXPECT_EQ(decodeField(encodeField(all)), all);
  EXPECT_FALSE(decodeField("0"));
  EXPECT_FALSE(decodeField("0G"));
}

TEST(FieldEncoding, TrimBlanksCutsOnlyBlanksAtBothEnds) {
  std::string text = " \t\r\n3 \r\n 2\r\n\t ";
  trimBlanks(text);
  EXPECT_EQ(text, "3 \r\n 2");
  text = "\r\n \t";
  trimBlanks(text);
  EXPECT_EQ(text, "");
}

TEST(ScoreForm, CarriesElevenFieldsInOrderWithTheirValues) {
  MachineFacts facts{2105, "CPU INTEL PENTIUM", 3735928559u, 512000};
  const std::string body = formBody(sampleSubmission(), facts);
  const Fields expected = {{"f1", "vilmar@example.se"},    {"f2", "6"},
                           {"f3", "hemligt"},              {"f4", "1200"},
                           {"f5", "83440"},                {"f6", "2105"},
                           {"f7", "CPU INTEL PENTIUM"},    {"f8", "3735928559"},
                           {"f9", "512000"},               {"fa", "1200vilmar@example.se"},
                           {"fb", "513200"}};
  EXPECT_EQ(decodeBody(body), expected);
  EXPECT_EQ(body.rfind("f1=", 0), 0u);
}

TEST(ScoreForm, EmailWithAmpersandAndEqualsStaysOneField) {
  ScoreSubmission s = sampleSubmission();
  s.email.assign("a&f2=7=b@x.se");
  const Fields fields = decodeBody(formBody(s, {}));
  ASSERT_EQ(fields.size(), 11u);
  EXPECT_EQ(fields[0].second, "a&f2=7=b@x.se");
  EXPECT_EQ(fields[1].second, "6");
}

TEST(ScoreForm, LengthPlusScoreWrapsLikeTheThirtyTwoBitSum) {
  ScoreSubmission s = sampleSubmission();
  s.sentScore = -1200;
  MachineFacts facts;
  facts.length = 100;
  EXPECT_EQ(decodeBody(formBody(s, facts))[10].second, "-1100");
  facts.length = 4294967295u;  // "%d" of the unsigned sum
  s.sentScore = 2;
  EXPECT_EQ(decodeBody(formBody(s, facts))[10].second, "1");
}

TEST(MachineFactsTest, ProcessorNames) {
  EXPECT_EQ(cpuName(386), "CPU INTEL 386");
  EXPECT_EQ(cpuName(486), "CPU INTEL 486");
  EXPECT_EQ(cpuName(586), "CPU INTEL PENTIUM");
  EXPECT_EQ(cpuName(4000), "CPU MIPS R4000");
  EXPECT_EQ(cpuName(21064), "CPU ALPHA 21064");
  EXPECT_EQ(cpuName(8664), "CPU UNKNOWN");
  EXPECT_EQ(cpuName(0), "CPU UNKNOWN");
}

TEST(MachineFactsTest, SpeedCountsTwoSecondsOfReadsAcrossMidnightToo) {
  test::FakeNetPlatform platform;
  const std::int32_t count = measureSpeed(platform);
  // 1 ms per read: about 2000 reads fit in the two seconds after t1.
  EXPECT_GE(count, 1995);
  EXPECT_LE(count, 2001);

  test::FakeNetPlatform nearMidnight;
  nearMidnight.wallMs = 86400ull * 1000 - 1500;
  EXPECT_EQ(measureSpeed(nearMidnight), count);
}

TEST(MachineFactsTest, SpeedIsZeroWhenTheClockJumpsBetweenTwoReads) {
  test::FakeNetPlatform platform;
  platform.wallStepMs = 2500;
  EXPECT_EQ(measureSpeed(platform), 0);
}

TEST(MachineFactsTest, ProgramFileIntegrityFollowsTheBytes) {
  test::FakeNetPlatform platform;
  const ProgramFileFacts first = programFileIntegrity(platform);
  EXPECT_EQ(first.length, platform.programFile.size());
  EXPECT_NE(first.integrity, 0u);
  platform.programFile[3] = 'Q';
  EXPECT_NE(programFileIntegrity(platform).integrity, first.integrity);
  platform.programFileReadable = false;
  const ProgramFileFacts missing = programFileIntegrity(platform);
  EXPECT_EQ(missing.integrity, 0u);
  EXPECT_EQ(missing.length, 0u);
}

TEST(ReplyNumbers, LeadingNumberReadsSignAndDigitsAndHoldsAtTheLimits) {
  EXPECT_EQ(leadingNumber("42abc"), 42);
  EXPECT_EQ(leadingNumber("-7\n"), -7);
  EXPECT_FALSE(leadingNumber(" 7"));  // nothing is skipped before the number
  EXPECT_FALSE(leadingNumber("\t7"));
  EXPECT_FALSE(leadingNumber("\v7"));
  EXPECT_EQ(leadingNumber("+3"), 3);
  EXPECT_EQ(leadingNumber("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(leadingNumber("-2147483648"), INT32_MIN);
  EXPECT_EQ(leadingNumber("-99999999999999999999"), INT32_MIN);
  EXPECT_FALSE(leadingNumber(""));
  EXPECT_FALSE(leadingNumber("-"));
  EXPECT_FALSE(leadingNumber("<html>"));
}

struct ReplyCase {
  std::string bytes;
  int status;
  std::int32_t resultCode;
  std::int32_t versionCode;
};

TEST(ReplyParsing, ResultAndVersionCodes) {
  const ReplyCase cases[] = {
      {"0", 200, 0, 0},
      {"3\r\n", 200, 3, 0},  // trimming removes the final line end
      {"0\r\n2", 200, 0, 2},
      {"\r\n 1 \r\n5 \r\n", 200, 1, 5},
      // The version line is read as the first one is: a blank before the
      // number means there is none.
      {"0\n 2", 200, 0, 0},
      {"0\r\n\t2", 200, 0, 0},
      {"0\r\n\r\n2", 200, 0, 0},
      {"4\nnext", 200, 4, 0},
      // No verdict: the version code keeps its earlier value (9).
      {"<html><body>Proxy error</body></html>", 200, RESULT_BAD_REPLY, 9},
      {"", 200, RESULT_BAD_REPLY, 9},
      {"0\r\n2", 500, RESULT_BAD_REPLY, 9},
      {"0", 0, RESULT_BAD_REPLY, 9},
  };
  for (const ReplyCase& c : cases) {
    ScoreSubmission s;
    s.versionCode = 9;
    parseReply(c.bytes, c.status, s);
    EXPECT_EQ(s.resultCode, c.resultCode) << c.bytes;
    EXPECT_EQ(s.versionCode, c.versionCode) << c.bytes;
  }
}

TEST(ReplyParsing, MessageIsTheTrimmedReplyCutTo255) {
  ScoreSubmission s;
  parseReply(" 2\r\nokänd användare\r\n", 200, s);
  EXPECT_EQ(s.message, "2\r\nokänd användare");
  parseReply(std::string(20000, '7'), 200, s);
  EXPECT_EQ(s.message.size(), 255u);
  EXPECT_EQ(s.resultCode, INT32_MAX);
}

}  // namespace
}  // namespace vilmar
