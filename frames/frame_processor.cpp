// Frame processing: directives, counted placeholders, fixed placeholders and language texts.
#include "frames/frame_processor.h"

#include "engine/engine_api.h"
#include "frames/frame_list.h"
#include "frames/language_file.h"
#include "frames/php_fetch.h"
#include "frames/placeholders.h"
#include "processor/request_context.h"
#include "util/charset.h"
#include "util/url_encode.h"

namespace zarix {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr int kFormatCapacity = 32000;

// The text of names and values placed in an attribute: the value must not end the attribute.
std::string HtmlAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '"':
        out += "&quot;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// A format name shown inside a format literal: its quotes would end the literal.
std::string LiteralSafe(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\'') out.push_back(c);
  }
  return out;
}

class FrameRun {
 public:
  FrameRun(RequestContext& ctx, PageState& page) : ctx_(ctx), page_(page), e_(*ctx.engine) {
    default_frames_ = DefaultFramesDir(ctx.server_ini, ctx.database);
    frames_ = ctx.frame_list.empty() ? default_frames_ : ctx.frame_list[0];
  }

  void Directives(FrameLines* lines);

 private:
  // Runs a format on the working record; its output as lines.
  FrameLines RunFormat(const std::string& spec);
  FrameLines FormatDirective(std::string_view spec);
  FrameLines LoggedParameters(bool as_query);
  FrameLines FileDirective(std::string_view name);
  FrameLines PhpDirective(std::string_view argument);
  // Expands a directive of `trimmed` (FILE and PHP only when `file_php_only`) into *out.
  bool Expand(std::string_view trimmed, bool file_php_only, FrameLines* out);

  RequestContext& ctx_;
  PageState& page_;
  EngineApi& e_;
  std::string frames_;
  std::string default_frames_;
};

FrameLines FrameRun::RunFormat(const std::string& spec) {
  const bool trace = ctx_.trace.enabled();
  if (trace) ctx_.trace.Add("START FORMAT=" + spec.substr(0, 100));
  std::string text;
  if (e_.Zarix_InitPFT(ctx_.space1, spec) != 0) {
    text = e_.ZarixLastMessage(ctx_.space1);
  } else {
    e_.Zarix_Format(ctx_.space1, 0, 1, 1, kFormatCapacity);
    text = e_.Zarix_FormatResult(ctx_.space1);
  }
  if (trace) ctx_.trace.Add("END FORMAT");
  return SplitFrameLines(text);
}

FrameLines FrameRun::LoggedParameters(bool as_query) {
  FrameLines out;
  std::string query;
  const long long count = ctx_.server_ini.ReadInteger("PARAMETRS", "PARCOUNT", 0);
  for (long long i = 1; i <= count && i <= 1000; ++i) {
    const std::string name = ctx_.server_ini.ReadString("PARAMETRS", "PARNAME" + std::to_string(i));
    if (name.empty() || EqualsNoCase(name, "Z21ID")) continue;
    const std::string value = ctx_.RequestParam(name);
    if (value.empty()) continue;
    if (as_query) {
      query += name + "=" + UrlEncode(value) + "&";
    } else {
      out.push_back("<input type=\"hidden\" name=\"" + HtmlAttribute(name) + "\" value=\"" +
                    HtmlAttribute(value) + "\">");
    }
  }
  if (as_query) out.push_back(query);
  return out;
}

FrameLines FrameRun::FormatDirective(std::string_view spec) {
  if (!spec.empty() && spec[0] == '@') {
    const std::string name(spec.substr(1));
    const std::string dir = FindInFolders(
        {frames_, page_.database_folder, default_frames_, ctx_.deposit_path}, name + ".pft");
    if (dir.empty()) return RunFormat("'FORMAT " + LiteralSafe(name) + " NOT FIND'");
    return RunFormat("@" + dir + name);
  }
  const std::string upper = UpperAsciiCopy(spec);
  if (upper == "INSERT_ALL_PARAMETERS") return LoggedParameters(false);
  if (upper == "INSERT_ALL_PARAMETERS_IN_QUERY") return LoggedParameters(true);
  return RunFormat(std::string(spec));
}

FrameLines FrameRun::FileDirective(std::string_view name) {
  const std::string dir = FindInFolders({frames_, page_.database_folder, default_frames_}, name);
  if (!dir.empty()) {
    if (auto lines = ReadFrameFile(dir + std::string(name), ctx_.frames_char_set)) return *lines;
  }
  return {"'FILE " + std::string(name) + " NOT FIND'"};
}

FrameLines FrameRun::PhpDirective(std::string_view argument) {
  PhpRequest request = ParsePhpArgument(argument, ctx_.server_ini);
  std::string answer = FetchPhpPage(request, ReadPhpTimeouts(ctx_.server_ini));
  if (request.encoding == "WINDOWS-1251") answer = ConvertCharset(answer, "WINDOWS-1251", "UTF-8");
  FrameLines lines = SplitFrameLines(answer);
  // The response headers go, up to the first empty line, which stays.
  size_t body = 0;
  while (body < lines.size() && !lines[body].empty()) ++body;
  lines.erase(lines.begin(), lines.begin() + static_cast<long>(body));
  return lines;
}

bool FrameRun::Expand(std::string_view t, bool file_php_only, FrameLines* out) {
  auto argument = [&](size_t skip) {
    return t.size() > skip ? t.substr(skip, t.size() - skip - 1) : std::string_view();
  };
  if (!file_php_only && StartsWith(t, "<!RESULT>")) {
    std::string text;
    ExecuteCommand(ctx_, page_, &text);
    *out = SplitFrameLines(text);
    return true;
  }
  if (!file_php_only && StartsWith(t, "<!FORMAT=")) {
    *out = FormatDirective(argument(9));
    return true;
  }
  if (StartsWith(t, "<!FILE=")) {
    *out = FileDirective(argument(7));
    return true;
  }
  if (StartsWith(t, "<!PHP=")) {
    *out = PhpDirective(argument(6));
    return true;
  }
  return false;
}

void FrameRun::Directives(FrameLines* lines) {
  FrameLines& l = *lines;
  bool in_block = false;
  std::string block, prefix;
  size_t i = 0;
  while (i < l.size()) {
    bool file_php_only = false;
    const size_t open = l[i].find("<?");
    const size_t close = l[i].find("?>", open == std::string::npos ? 0 : open + 2);
    if (in_block || open != std::string::npos) {
      std::string suffix;
      if (open != std::string::npos) {
        prefix = l[i].substr(0, open);
        in_block = true;
        block = close != std::string::npos ? l[i].substr(open + 2, close - open - 2)
                                           : l[i].substr(open + 2);
      } else if (close != std::string::npos) {
        block += l[i].substr(0, close);
      } else {
        block += l[i];
      }
      if (close == std::string::npos) {
        l.erase(l.begin() + static_cast<long>(i));
        continue;
      }
      suffix = l[i].substr(close + 2);
      in_block = false;
      for (char& c : block) {
        if (c == '\t') c = ' ';
      }
      // Blocks count towards the page's limit too: a block may print another block.
      FrameLines out;
      if (++page_.expansions <= kMaxExpansions) out = RunFormat(block);
      block.clear();
      if (out.empty()) out.emplace_back();
      out.front().insert(0, prefix);
      out.back() += suffix;
      l.erase(l.begin() + static_cast<long>(i));
      l.insert(l.begin() + static_cast<long>(i), out.begin(), out.end());
      file_php_only = true;
    }

    std::string_view t = TrimFrameLine(l[i]);
    if (!file_php_only && StartsWith(t, kBom)) {
      l[i] = std::string(t.substr(kBom.size()));
      t = TrimFrameLine(l[i]);
    }
    if (t.size() > 2 && t[0] == '<' && t[1] == '!') {
      FrameLines out;
      const std::string trimmed(t);
      if (Expand(trimmed, file_php_only, &out)) {
        l[i].clear();
        // A page whose directives keep producing directives stops growing here.
        if (++page_.expansions <= kMaxExpansions) {
          l.insert(l.begin() + static_cast<long>(i) + 1, out.begin(), out.end());
        }
      }
    }
    ++i;
  }
  // A block left open at the end of the frame is dropped, as its lines already are.
}

}  // namespace

void ProcessFrame(RequestContext& ctx, PageState& page, FrameLines* lines) {
  FrameRun run(ctx, page);
  run.Directives(lines);

  ApplyCountedPlaceholders(page.placeholders, lines);

  if (!page.language_loaded) {
    page.language = LoadRequestLanguage(ctx.server_ini, ctx.cgi_path, ctx.RequestParam("LNG"));
    page.language_loaded = true;
  }
  FixedPlaceholders values;
  values.time = ShortDate();
  values.maximum_mfn = std::to_string(ctx.engine->Zarixmaxmfn(ctx.space1));
  values.runtime_pid = ctx.reader.reader_id;
  values.database = ctx.database;
  values.cgi_path =
      ctx.server_ini.ReadString("WEB", "CGI_ALIAS", "/cgi-bin/zarix64r/cgizarix64.exe");
  values.http_path = ctx.server_ini.ReadString("WEB", "http_path", "/zarix64r");
  ApplyFixedPlaceholders(values, page.language, lines);
}

}  // namespace zarix
