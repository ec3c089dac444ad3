// Field-text conversion for ISO 2709 import and export.
#include "zarix64/iso2709_charset.h"

#include <dlfcn.h>
#include <utf8proc.h>
#include <yaz/yaz-iconv.h>

#include <cctype>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "util/charset.h"

namespace zarix {
namespace {

constexpr char kSubfieldDelimiter = 0x1F;

const char* IconvName(IsoEncoding encoding) {
  switch (encoding) {
    case IsoEncoding::kWindows1251:
      return "WINDOWS-1251";
    case IsoEncoding::kCp866:
      return "CP866";
    case IsoEncoding::kKoi8r:
      return "KOI8-R";
    default:
      return "UTF-8";
  }
}

// libyaz is loaded on the first use of MARC-8 only: it brings some thirty shared libraries (ICU,
// GnuTLS, libxml2) that no other conversion needs, and the gateway links this code.
struct YazApi {
  decltype(&yaz_iconv_open) open = nullptr;
  decltype(&yaz_iconv) convert = nullptr;
  decltype(&yaz_iconv_error) error = nullptr;
  decltype(&yaz_iconv_close) close = nullptr;
  bool ok() const { return open && convert && error && close; }
};

const YazApi& YazLibrary() {
  static const YazApi api = [] {
    YazApi a;
    void* lib = dlopen("libyaz.so.5", RTLD_NOW | RTLD_LOCAL);
    if (!lib) lib = dlopen("libyaz.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return a;
    a.open = reinterpret_cast<decltype(a.open)>(dlsym(lib, "yaz_iconv_open"));
    a.convert = reinterpret_cast<decltype(a.convert)>(dlsym(lib, "yaz_iconv"));
    a.error = reinterpret_cast<decltype(a.error)>(dlsym(lib, "yaz_iconv_error"));
    a.close = reinterpret_cast<decltype(a.close)>(dlsym(lib, "yaz_iconv_close"));
    return a;
  }();
  return api;
}

// One conversion through a YAZ converter: the converter is reset first and flushed at the end
// (an encoder to MARC-8 closes an open escape sequence there). Input it cannot convert becomes
// "?" (one byte, or one UTF-8 character when `utf8_input`); *errors counts those.
std::string YazConvert(yaz_iconv_t cd, std::string_view text, bool utf8_input,
                       int* errors = nullptr) {
  const YazApi& yaz = YazLibrary();
  yaz.convert(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(text.size() * 4 + 16, '\0');
  char* in_ptr = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  auto grow = [&] {
    size_t used = out.size() - out_left;
    out.resize(out.size() * 2 + 16);
    out_ptr = out.data() + used;
    out_left = out.size() - used;
  };
  while (in_left > 0) {
    size_t r = yaz.convert(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    if (r != static_cast<size_t>(-1)) break;
    int error = yaz.error(cd);
    if (error == YAZ_ICONV_E2BIG) {
      grow();
      continue;
    }
    if (error == YAZ_ICONV_EINVAL || in_left == 0) break;  // incomplete sequence at the end
    if (errors) ++*errors;
    if (out_left < 8) grow();
    *out_ptr++ = '?';
    --out_left;
    size_t step = 1;
    while (utf8_input && step < in_left &&
           (static_cast<unsigned char>(in_ptr[step]) & 0xC0) == 0x80) {
      ++step;
    }
    in_ptr += step;
    in_left -= step;
    yaz.convert(cd, nullptr, nullptr, nullptr, nullptr);
  }
  for (int tries = 0; tries < 8; ++tries) {
    if (out_left < 16) grow();
    if (yaz.convert(cd, nullptr, nullptr, &out_ptr, &out_left) != static_cast<size_t>(-1)) break;
    if (yaz.error(cd) != YAZ_ICONV_E2BIG) break;
  }
  out.resize(out.size() - out_left);
  return out;
}

// Runs `convert` on each stretch between subfield delimiters, keeping the delimiters.
template <typename F>
std::string PerSubfield(std::string_view text, F convert) {
  std::string out;
  out.reserve(text.size() + 16);
  size_t start = 0;
  for (;;) {
    size_t end = text.find(kSubfieldDelimiter, start);
    std::string_view piece = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!piece.empty()) out += convert(piece);
    if (end == std::string_view::npos) break;
    out += kSubfieldDelimiter;
    start = end + 1;
  }
  return out;
}

// MARC-8 writes letters and combining marks apart. Decoded text is composed (NFC), which is what
// users type into search forms.
std::string Normalize(std::string text, bool compose) {
  bool ascii = true;
  for (unsigned char c : text) ascii = ascii && c < 0x80;
  if (ascii) return text;
  auto in = reinterpret_cast<const utf8proc_uint8_t*>(text.c_str());
  utf8proc_uint8_t* result = compose ? utf8proc_NFC(in) : utf8proc_NFD(in);
  if (!result) return text;
  std::string out(reinterpret_cast<char*>(result));
  std::free(result);
  return out;
}

// The UTF-8 characters of `text`, one string each.
std::vector<std::string> CodePoints(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace

struct IsoCharset::Yaz {
  yaz_iconv_t decoder = nullptr;
  yaz_iconv_t encoder = nullptr;
  std::unordered_map<utf8proc_int32_t, bool> encodable;  // composed characters tried so far

  ~Yaz() {
    if (decoder) YazLibrary().close(decoder);
    if (encoder) YazLibrary().close(encoder);
  }

  // True when the encoder turns the UTF-8 character `ch` into MARC-8 that reads back as `ch`
  // (it drops some characters without an error, so only a round trip counts).
  bool Encodable(utf8proc_int32_t cp, std::string_view ch) {
    auto it = encodable.find(cp);
    if (it != encodable.end()) return it->second;
    int errors = 0;
    std::string encoded = YazConvert(encoder, ch, true, &errors);
    bool ok = errors == 0 && Normalize(YazConvert(decoder, encoded, false), true) ==
                                 Normalize(std::string(ch), true);
    encodable.emplace(cp, ok);
    return ok;
  }

  // MARC-8 has some composed letters of its own (O and U with horn, for example) and writes the
  // others as a letter and combining marks: a composed character the encoder lacks is replaced
  // by the largest composed part it has, followed by the remaining marks ("ở" -> "ơ" + hook).
  std::string DecomposeUnencodable(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    auto p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
    while (left > 0) {
      utf8proc_int32_t cp;
      utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
      if (n <= 0) n = 1, cp = -1;
      std::string_view ch(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
      p += n;
      left -= n;
      if (cp < 0x80 || Encodable(cp, ch)) {
        out += ch;
        continue;
      }
      std::vector<std::string> parts = CodePoints(Normalize(std::string(ch), false));
      size_t keep = parts.size();
      std::string head;
      while (keep > 1) {
        std::string prefix;
        for (size_t i = 0; i < keep; ++i) prefix += parts[i];
        head = Normalize(prefix, true);
        utf8proc_int32_t head_cp;
        utf8proc_ssize_t hn = utf8proc_iterate(
            reinterpret_cast<const utf8proc_uint8_t*>(head.data()), head.size(), &head_cp);
        if (hn == static_cast<utf8proc_ssize_t>(head.size()) && Encodable(head_cp, head)) {
          break;
        }
        --keep;
      }
      if (keep <= 1) head = parts.empty() ? std::string(ch) : parts[0];
      out += head;
      for (size_t i = keep; i < parts.size(); ++i) out += parts[i];
    }
    return out;
  }
};

bool ParseIsoEncoding(std::string_view name, IsoEncoding* encoding) {
  std::string n;
  for (char c : name) {
    if (c != '-' && c != '_') n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (n == "utf8") {
    *encoding = IsoEncoding::kUtf8;
  } else if (n == "windows1251" || n == "cp1251") {
    *encoding = IsoEncoding::kWindows1251;
  } else if (n == "cp866" || n == "ibm866") {
    *encoding = IsoEncoding::kCp866;
  } else if (n == "koi8r") {
    *encoding = IsoEncoding::kKoi8r;
  } else if (n == "marc8") {
    *encoding = IsoEncoding::kMarc8;
  } else {
    return false;
  }
  return true;
}

const char* IsoEncodingName(IsoEncoding encoding) {
  switch (encoding) {
    case IsoEncoding::kUtf8:
      return "utf-8";
    case IsoEncoding::kWindows1251:
      return "windows-1251";
    case IsoEncoding::kCp866:
      return "cp866";
    case IsoEncoding::kKoi8r:
      return "koi8-r";
    case IsoEncoding::kMarc8:
      return "marc-8";
  }
  return "utf-8";
}

IsoCharset::IsoCharset(IsoEncoding encoding) : encoding_(encoding) {
  switch (encoding) {
    case IsoEncoding::kUtf8:
      break;
    case IsoEncoding::kMarc8:
      yaz_ = std::make_unique<Yaz>();
      if (YazLibrary().ok()) {
        yaz_->decoder = YazLibrary().open("utf-8", "marc8");
        yaz_->encoder = YazLibrary().open("marc8", "utf-8");
      }
      break;
    default:
      // Every byte of a single-byte code page decodes on its own: one table built once makes
      // import independent of the cost of iconv calls.
      for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        decode_table_[b] = ConvertCharset(std::string_view(&c, 1), IconvName(encoding), "UTF-8");
        if (decode_table_[b].empty()) decode_table_[b].assign(1, '?');
      }
      break;
  }
}

IsoCharset::~IsoCharset() = default;

bool IsoCharset::ok() const {
  return encoding_ != IsoEncoding::kMarc8 || (yaz_->decoder && yaz_->encoder);
}

std::string IsoCharset::ToUtf8(std::string_view text) {
  switch (encoding_) {
    case IsoEncoding::kUtf8:
      return std::string(text);
    case IsoEncoding::kMarc8:
      if (!yaz_->decoder) return std::string(text);
      return Normalize(
          PerSubfield(text,
                      [&](std::string_view p) { return YazConvert(yaz_->decoder, p, false); }),
          true);
    default: {
      std::string out;
      out.reserve(text.size() * 2);
      for (unsigned char c : text) {
        if (c < 0x80) {
          out += static_cast<char>(c);
        } else {
          out += decode_table_[c];
        }
      }
      return out;
    }
  }
}

std::string IsoCharset::FromUtf8(std::string_view text) {
  switch (encoding_) {
    case IsoEncoding::kUtf8:
      return std::string(text);
    case IsoEncoding::kMarc8:
      if (!yaz_->encoder) return std::string(text);
      return PerSubfield(yaz_->DecomposeUnencodable(text),
                         [&](std::string_view p) { return YazConvert(yaz_->encoder, p, true); });
    default: {
      bool ascii = true;
      for (unsigned char c : text) ascii = ascii && c < 0x80;
      if (ascii) return std::string(text);
      return ConvertCharset(text, "UTF-8", IconvName(encoding_), &lost_);
    }
  }
}

}  // namespace zarix
