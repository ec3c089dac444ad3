#include "records/reader_key.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

// 2026-06-15 12:00:00 UTC and friends, in milliseconds since 1970.
constexpr int64_t kJune2026 = 1781524800000;
constexpr int64_t kMinute = 60000;
// 2026-12-31 23:50:00 UTC.
constexpr int64_t kNewYearsEve = 1798761000000;

ReaderKeySettings Live(long long minutes) {
  ReaderKeySettings s;
  s.time_live_minutes = minutes;
  return s;
}

TEST(KeyTimeTest, CountsFromTheStartOfTheUtcYear) {
  const KeyTime t = KeyTimeAt(kNewYearsEve);
  EXPECT_EQ(t.ms_of_year, (364LL * 1440 + 23 * 60 + 50) * kMinute);
  EXPECT_EQ(t.previous_year_ms, 365LL * 1440 * kMinute);  // 2025
  const KeyTime after = KeyTimeAt(kNewYearsEve + 20 * kMinute);
  EXPECT_EQ(after.ms_of_year, 10 * kMinute);
  EXPECT_EQ(after.previous_year_ms, 365LL * 1440 * kMinute);                     // 2026
  EXPECT_EQ(KeyTimeAt(1709251200000).previous_year_ms, 365LL * 1440 * kMinute);  // 2024-03-01
  EXPECT_EQ(KeyTimeAt(1735689600000).previous_year_ms, 366LL * 1440 * kMinute);  // 2025-01-01
}

TEST(KeyDigitsTest, AcceptsOnlyPermutationsWithoutFixedPoints) {
  EXPECT_TRUE(KeyDigits::Parse("1234567890"));
  EXPECT_TRUE(KeyDigits::Parse("9876501234"));
  for (const char* bad : {"", "123456789", "12345678901", "0987654321" /* 0 stays */,
                          "1234567809" /* 9 stays */, "1123456789", "12345678a0"}) {
    EXPECT_FALSE(KeyDigits::Parse(bad)) << bad;
  }
  const KeyDigits d = *KeyDigits::Parse("1234567890");
  EXPECT_EQ(d.Encode('0'), '1');
  EXPECT_EQ(d.Decode('1'), '0');
  EXPECT_EQ(d.Encode('x'), 'x');
  const KeyDigits built_in;
  for (char c = '0'; c <= '9'; ++c) {
    EXPECT_NE(built_in.Encode(c), c);
    EXPECT_EQ(built_in.Decode(built_in.Encode(c)), c);
  }
}

TEST(ReaderKeyTest, RoundTripsWhileAlive) {
  const KeyTime now = KeyTimeAt(kJune2026);
  for (const char* id : {"123", "1", "GUEST", "Иванов-42", "a b&c", "000"}) {
    const std::string key = MakeReaderKey(id, Live(30), now);
    EXPECT_NE(key, id);
    if (std::string_view(id).size() >= 3) {
      EXPECT_EQ(key.find(id), std::string::npos) << "the identifier shows through: " << key;
    }
    EXPECT_EQ(ReadReaderKey(key, Live(30), now), id);
  }
}

TEST(ReaderKeyTest, DigitTableMatters) {
  ReaderKeySettings mine = Live(30);
  mine.digits = *KeyDigits::Parse("2345678901");
  const KeyTime now = KeyTimeAt(kJune2026);
  const std::string key = MakeReaderKey("123", mine, now);
  EXPECT_EQ(ReadReaderKey(key, mine, now), "123");
  EXPECT_NE(ReadReaderKey(key, Live(30), now), "123");
}

TEST(ReaderKeyTest, ExpiryAcrossTheYear) {
  struct Case {
    const char* what;
    int64_t made;
    int64_t read;
    long long live;
    bool unlimited;
    bool valid;
  };
  const Case cases[] = {
      {"same moment", kJune2026, kJune2026, 30, false, true},
      {"29 minutes", kJune2026, kJune2026 + 29 * kMinute + 59999, 30, false, true},
      {"30 minutes", kJune2026, kJune2026 + 30 * kMinute, 30, false, false},
      {"a day", kJune2026, kJune2026 + 1440 * kMinute, 30, false, false},
      {"unlimited request", kJune2026, kJune2026 + 1440 * kMinute, 30, true, true},
      {"negative lifetime", kJune2026, kJune2026 + 400 * 1440 * kMinute, -1, false, true},
      {"across New Year", kNewYearsEve, kNewYearsEve + 20 * kMinute, 30, false, true},
      {"across New Year, expired", kNewYearsEve, kNewYearsEve + 40 * kMinute, 30, false, false},
      {"made in the future", kJune2026 + 5 * kMinute, kJune2026, 30, false, false},
  };
  for (const Case& c : cases) {
    const std::string key = MakeReaderKey("123", Live(c.live), KeyTimeAt(c.made));
    ReaderKeySettings reading = Live(c.live);
    reading.time_unlimited = c.unlimited;
    EXPECT_EQ(ReadReaderKey(key, reading, KeyTimeAt(c.read)), c.valid ? "123" : "") << c.what;
  }
}

TEST(ReaderKeyTest, KeysOffAndMalformedKeys) {
  const KeyTime now = KeyTimeAt(kJune2026);
  EXPECT_EQ(MakeReaderKey("123", Live(0), now), "123");
  EXPECT_EQ(MakeReaderKey("", Live(30), now), "");
  EXPECT_EQ(ReadReaderKey(MakeReaderKey("123", Live(30), now), Live(0), now), "");
  ReaderKeySettings forever = Live(-1);
  for (const char* bad : {"", "12", "abc", "000123", "999", "\xFF\xFE\xFD", "003ab"}) {
    EXPECT_EQ(ReadReaderKey(bad, Live(30), now), "") << bad;
  }
  // Stamps beyond 18 digits are refused, not wrapped around into a valid age; a stamp from
  // further ahead than a year never lives.
  const std::string huge = MakeReaderKey("123", Live(30), KeyTime{9000000000000000000, 0});
  EXPECT_EQ(ReadReaderKey(huge, Live(30), now), "");
  const std::string ahead = MakeReaderKey("123", Live(30), KeyTime{100000000000000000, 0});
  EXPECT_EQ(ReadReaderKey(ahead, Live(30), now), "");
  EXPECT_EQ(ReadReaderKey(MakeReaderKey("7", forever, now), forever, KeyTimeAt(0)), "7");
}

}  // namespace
}  // namespace zarix
