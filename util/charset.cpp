// iconv wrapper; one conversion descriptor per call keeps it thread-safe without caches.
#include "util/charset.h"

#include <iconv.h>

#include <cerrno>

namespace zarix {

std::string ConvertCharset(std::string_view text, const char* from, const char* to, size_t* lost) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  out.resize(text.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = out.size() - out_left;
      out.resize(out.size() * 2);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
    } else if (errno == EILSEQ) {
      // Either the source byte is invalid or the target lacks the character: step over one
      // source character (a whole UTF-8 sequence when the source is UTF-8) and write "?".
      size_t step = 1;
      unsigned char c = static_cast<unsigned char>(*in_ptr);
      bool utf8_source = (from[0] == 'U' || from[0] == 'u');
      if (utf8_source && c >= 0xC0) {
        step = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (step > in_left) step = in_left;
        bool valid = true;
        for (size_t i = 1; i < step; ++i) {
          if ((static_cast<unsigned char>(in_ptr[i]) & 0xC0) != 0x80) valid = false;
        }
        if (!valid) step = 1;
        if (lost) ++*lost;
        if (valid && out_left > 0) {
          *out_ptr++ = '?';
          --out_left;
        }
      } else {
        if (lost) ++*lost;
        if (!utf8_source && out_left > 0) {
          *out_ptr++ = '?';
          --out_left;
        }
      }
      in_ptr += step;
      in_left -= step;
    } else {  // EINVAL: incomplete sequence at the end
      if (lost) ++*lost;
      break;
    }
    if (out_left < 8) {
      size_t used = out.size() - out_left;
      out.resize(out.size() * 2 + 16);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
    }
  }
  out.resize(out.size() - out_left);
  iconv_close(cd);
  return out;
}

}  // namespace zarix
