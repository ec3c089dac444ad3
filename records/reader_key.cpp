// Reader keys: making and reading them.
#include "records/reader_key.h"

#include <chrono>
#include <utility>

namespace zarix {

namespace {

// Every digit moves; changing it changes nothing but the look of keys (each site sets its own).
constexpr std::string_view kBuiltInDigits = "4759120836";

// The swaps are their own inverse: the same walk makes and reads a key.
void SwapMirrored(std::string* s) {
  const size_t n = s->size();
  for (size_t i = 1; i <= n / 2; i += 2) std::swap((*s)[i - 1], (*s)[n - i]);
}

constexpr int64_t kMsPerDay = 86400000;

}  // namespace

KeyDigits::KeyDigits() : KeyDigits(kBuiltInDigits) {}

KeyDigits::KeyDigits(std::string_view digits) {
  for (int d = 0; d < 10; ++d) {
    encode_[d] = digits[d];
    decode_[digits[d] - '0'] = static_cast<char>('0' + d);
  }
}

std::optional<KeyDigits> KeyDigits::Parse(std::string_view digits) {
  if (digits.size() != 10) return std::nullopt;
  bool seen[10] = {};
  for (int d = 0; d < 10; ++d) {
    const char c = digits[d];
    if (!IsDigit(c) || c - '0' == d || seen[c - '0']) return std::nullopt;
    seen[c - '0'] = true;
  }
  return KeyDigits(digits);
}

KeyTime KeyTimeAt(int64_t unix_ms) {
  using namespace std::chrono;
  const sys_time<milliseconds> t{milliseconds(unix_ms)};
  const sys_days day = floor<days>(t);
  const year y = year_month_day(day).year();
  const sys_days year_start{y / January / 1};
  const sys_days previous_start{(y - years(1)) / January / 1};
  KeyTime k;
  k.ms_of_year = (t - year_start).count();
  k.previous_year_ms = (year_start - previous_start).count() * kMsPerDay;
  return k;
}

KeyTime KeyTimeNow() {
  using namespace std::chrono;
  return KeyTimeAt(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

std::string MakeReaderKey(std::string_view identifier, const ReaderKeySettings& settings,
                          const KeyTime& now) {
  if (identifier.empty() || settings.time_live_minutes == 0) return std::string(identifier);
  std::string length = std::to_string(identifier.size());
  if (length.size() < 3) length.insert(0, 3 - length.size(), '0');
  std::string key = length;
  key += identifier;
  key += std::to_string(now.ms_of_year);
  SwapMirrored(&key);
  for (char& c : key) c = settings.digits.Encode(c);
  return key;
}

std::string ReadReaderKey(std::string_view key, const ReaderKeySettings& settings,
                          const KeyTime& now) {
  if (key.size() < 3 || settings.time_live_minutes == 0) return std::string();
  std::string plain(key);
  for (char& c : plain) c = settings.digits.Decode(c);
  SwapMirrored(&plain);

  size_t length = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (plain[i] < '0' || plain[i] > '9') return std::string();
    length = length * 10 + static_cast<size_t>(plain[i] - '0');
  }
  if (length == 0 || length > plain.size() - 3) return std::string();
  std::string identifier = plain.substr(3, length);
  const std::string_view stamp_text = std::string_view(plain).substr(3 + length);
  if (settings.time_unlimited || settings.time_live_minutes < 0) return identifier;

  // At most 18 digits: the stamp and the difference below stay inside 64 bits.
  if (stamp_text.empty() || stamp_text.size() > 18) return std::string();
  int64_t stamp = 0;
  for (char c : stamp_text) {
    if (c < '0' || c > '9') return std::string();
    stamp = stamp * 10 + (c - '0');
  }
  int64_t age_ms = now.ms_of_year - stamp;
  if (age_ms < 0) age_ms += now.previous_year_ms;
  if (age_ms < 0) return std::string();
  const int64_t age_minutes = age_ms / 60000;
  return age_minutes < settings.time_live_minutes ? identifier : std::string();
}

}  // namespace zarix
