// Frame processing: directives, counted placeholders, fixed placeholders and language texts.
#include "frames/frame_processor.h"

#include "engine/engine_api.h"
#include "frames/frame_list.h"
#include "frames/language_file.h"
#include "frames/php_fetch.h"
#include "frames/placeholders.h"
#include "processor/request_context.h"
#include "util/charset.h"
#include "util/html_escape.h"
#include "util/url_encode.h"

namespace zarix {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr int kFormatCapacity = 32000;

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
  enum class Directive { kNone, kResult, kFormat, kFile, kPhp };
  // The directive a trimmed line starts with (FILE and PHP only when `file_php_only`).
  static Directive Classify(std::string_view trimmed, bool file_php_only);
  // The output lines of `directive` on the trimmed line.
  FrameLines Expand(Directive directive, std::string_view trimmed);

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
    // Record data comes out escaped: a record's text never runs as a directive of this page.
    e_.Zarix_Format(ctx_.space1, 0, 1, 1 | EngineApi::kFormatPageText, kFormatCapacity);
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
      out.push_back("<input type=\"hidden\" name=\"" + HtmlEscape(name) + "\" value=\"" +
                    HtmlEscape(value) + "\">");
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
  const std::string upper = UpperAscii(spec);
  if (upper == "INSERT_ALL_PARAMETERS") return LoggedParameters(false);
  if (upper == "INSERT_ALL_PARAMETERS_IN_QUERY") return LoggedParameters(true);
  return RunFormat(std::string(spec));
}

FrameLines FrameRun::FileDirective(std::string_view name) {
  const std::string dir = FindInFolders({frames_, page_.database_folder, default_frames_}, name);
  if (!dir.empty()) {
    if (auto lines = ReadFrameFile(dir + std::string(name), ctx_.frames_char_set)) return *lines;
  }
  return {"'FILE " + HtmlEscape(name) + " NOT FIND'"};
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

FrameRun::Directive FrameRun::Classify(std::string_view t, bool file_php_only) {
  if (t.size() <= 2 || t[0] != '<' || t[1] != '!') return Directive::kNone;
  if (!file_php_only && StartsWith(t, "<!RESULT>")) return Directive::kResult;
  if (!file_php_only && StartsWith(t, "<!FORMAT=")) return Directive::kFormat;
  if (StartsWith(t, "<!FILE=")) return Directive::kFile;
  if (StartsWith(t, "<!PHP=")) return Directive::kPhp;
  return Directive::kNone;
}

FrameLines FrameRun::Expand(Directive directive, std::string_view t) {
  auto argument = [&](size_t skip) {
    return t.size() > skip ? t.substr(skip, t.size() - skip - 1) : std::string_view();
  };
  switch (directive) {
    case Directive::kResult: {
      std::string text;
      if (++page_.command_runs > kMaxCommandRuns) return {};
      ExecuteCommand(ctx_, page_, &text);
      return SplitFrameLines(text);
    }
    case Directive::kFormat:
      return FormatDirective(argument(9));
    case Directive::kFile:
      return FileDirective(argument(7));
    case Directive::kPhp:
      return PhpDirective(argument(6));
    case Directive::kNone:
      break;
  }
  return {};
}

// Puts lines[from..] on top of the stack of lines still to examine, the first of them on top.
void PushPending(FrameLines&& lines, size_t from, FrameLines* pending) {
  for (size_t k = lines.size(); k > from; --k) pending->push_back(std::move(lines[k - 1]));
}

void FrameRun::Directives(FrameLines* lines) {
  // Lines still to examine, the next one last; a directive's output goes on top, so it is
  // examined next. Each line is moved once, however large the page grows.
  FrameLines pending;
  pending.reserve(lines->size());
  PushPending(std::move(*lines), 0, &pending);
  FrameLines done;
  done.reserve(pending.size());
  bool in_block = false;
  std::string block, prefix;
  while (!pending.empty()) {
    std::string line = std::move(pending.back());
    pending.pop_back();
    bool file_php_only = false;
    const size_t open = line.find("<?");
    const size_t close = line.find("?>", open == std::string::npos ? 0 : open + 2);
    if (in_block || open != std::string::npos) {
      if (open != std::string::npos) {
        prefix = line.substr(0, open);
        in_block = true;
        block = close != std::string::npos ? line.substr(open + 2, close - open - 2)
                                           : line.substr(open + 2);
      } else if (close != std::string::npos) {
        block += line.substr(0, close);
      } else {
        block += line;
      }
      if (close == std::string::npos) continue;
      const std::string suffix = line.substr(close + 2);
      in_block = false;
      for (char& c : block) {
        if (c == '\t') c = ' ';
      }
      // Blocks count towards the page's limit too: a block may print another block.
      FrameLines out;
      // A block that names a format file finds it in the site's folders, as <!FORMAT=@name>.
      if (++page_.expansions <= kMaxExpansions)
        out = StartsWith(block, "@") ? FormatDirective(block) : RunFormat(block);
      block.clear();
      if (out.empty()) out.emplace_back();
      out.front().insert(0, prefix);
      out.back() += suffix;
      // The first output line is examined here for includes only; the others in full.
      line = std::move(out.front());
      PushPending(std::move(out), 1, &pending);
      file_php_only = true;
    }

    std::string_view t = TrimFrameLine(line);
    if (!file_php_only && StartsWith(t, kBom)) {
      line = std::string(t.substr(kBom.size()));
      t = TrimFrameLine(line);
    }
    if (const Directive directive = Classify(t, file_php_only); directive != Directive::kNone) {
      const std::string trimmed(t);
      line.clear();
      // A page whose directives keep producing directives stops growing here; the rest of its
      // directives become empty lines without running.
      if (++page_.expansions <= kMaxExpansions)
        PushPending(Expand(directive, trimmed), 0, &pending);
    }
    done.push_back(std::move(line));
  }
  // A block left open at the end of the frame is dropped, as its lines already are.
  *lines = std::move(done);
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
  // Both come from the request: escaped, they cannot open markup or a directive.
  values.runtime_pid = HtmlEscape(ctx.reader.reader_id);
  values.database = HtmlEscape(ctx.database);
  values.cgi_path =
      ctx.server_ini.ReadString("WEB", "CGI_ALIAS", "/cgi-bin/zarix64r/cgizarix64.exe");
  values.http_path = ctx.server_ini.ReadString("WEB", "http_path", "/zarix64r");
  ApplyFixedPlaceholders(values, page.language, lines);
}

}  // namespace zarix
