// Fuzz target of frame processing: the input is a frame run through ProcessFrame against a
// real engine database, with the frames folder, a format in the database folder, one in the
// deposit folder, a language file and a direct-access frame around it.
//
// Input: byte 0 chooses the request (bit 0 frames in Windows-1251, bit 1 trace on, bits 2-3 the
// command: F with three found records, S with none, R, T; bit 4 an identified reader); the rest
// up to the first form feed (0x0C) is the frame, the text after it the frame file "input.frm"
// (kept in memory, so an input costs no file write), which is also the direct-access frame.
//
// Checks what every page promises whatever the frame: lines carry no line ends, no "~~" mark
// survives, and a frame without "<", "~~" and byte-order marks comes back unchanged.
//
// No fetch of "<!PHP=" leaves the process: every host name resolves to a loopback port that is
// bound but never listens (refused at once), and the time-outs are a few milliseconds.
#include <netdb.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "engine/engine_api.h"
#include "frames/command_executor.h"
#include "frames/frame_processor.h"
#include "frames/frame_text.h"
#include "gateway/cgi_request.h"
#include "gateway/cgi_response.h"
#include "gateway/request_store.h"
#include "processor/debug_trace.h"
#include "processor/request_context.h"
#include "util/ini_store.h"
#include "util/path.h"
#include "util/temp_dir.h"

namespace {

// The port every name resolves to (see getaddrinfo below); 0 until the fixture is made.
int g_refused_port = 0;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "frame_fuzz: %s\n", what);
  std::abort();
}

void Must(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "frame_fuzz fixture: %s\n", what.c_str());
  std::exit(1);
}

class Fixture {
 public:
  Fixture() : root_("zarix-frame-fuzz-") {
    Must(!root_.path().empty(), "no temporary folder");
    const std::string& r = root_.path();
    ReserveRefusedPort();
    data_ = r + "data/";
    frames_ = r + "frames/";
    books_ = data_ + "BOOKS/";
    std::filesystem::create_directories(data_ + "Deposit");
    std::filesystem::create_directories(frames_);
    std::filesystem::create_directories(r + "cgi");
    const std::string create =
        std::string(ZARIX_ADMIN_BINARY) + " create " + data_ + " BOOKS >/dev/null 2>&1";
    Must(std::system(create.c_str()) == 0, create);

    Write(books_ + "fullwebr.pft", "'<p>[<--MFNCOUNT-->] mfn=<--MFN--> 'v245^a'</p>'/");
    Write(books_ + "brief.pft", "v245^a,\" / \"v245^b/(|A=|v700^a/)");
    Write(data_ + "Deposit/deposit.pft", "'deposit 'mfn/");
    Write(frames_ + "header.frm", "<title>~~title~~ <--DATABASE--></title>\r\n<!FORMAT=@brief>");
    Write(frames_ + "sempty.frm", "<p>~~empty~~</p>");
    Write(frames_ + "loop.frm", "x\r\n<!FILE=loop.frm>");
    Write(r + "cgi/en.lng", "title\r\nCatalogue\r\nempty\r\nNothing found\r\nblank\r\n\r\n");

    // The included frame lives in memory; the frames folder names it through /proc.
    include_fd_ = memfd_create("frame-fuzz-include", MFD_CLOEXEC);
    Must(include_fd_ >= 0, "memfd_create");
    std::error_code ec;
    std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(include_fd_),
                                    frames_ + "input.frm", ec);
    Must(!ec, "symlink input.frm");

    server_ini_.LoadText(
        "[MAIN]\nDATAPATH=" + data_ + "\nDirectAccess=1\nBINARY_RESOURCE_TAG=953\n" +
        "[WEB]\nCGIPATH=" + r + "cgi/\nFRAMES=" + frames_ +
        "\nCGI_ALIAS=/cgi-bin/cgi\nhttp_path=/site\nSearchEmpty=sempty.frm\n" +
        "[PARAMETRS]\nPARCOUNT=4\nPARNAME1=S21ALL\nPARNAME2=Z21ID\nPARNAME3=LNG\nPARNAME4="
        "S21P01\n" +
        "[PHP]\nDefaultServerIP=127.0.0.1\nDefaultServerPORT=" + std::to_string(g_refused_port) +
        "\nConnectTimeOut=5\nReadTimeOut=5\n");
    web_ini_.WriteString(zarix::kFormSection, "I21DBN", "BOOKS");
    web_ini_.WriteString(zarix::kFormSection, "S21ALL", "K=ART & \"A=SMITH$\"");
    web_ini_.WriteString(zarix::kFormSection, "S21P01", "a \"quoted\" <value> & more");
    web_ini_.WriteString(zarix::kFormSection, "Z21ID", "secret");
    web_ini_.WriteString(zarix::kFormSection, "LNG", "en");
    web_ini_.WriteString(zarix::kFormSection, "S21FRAME", "input.frm");

    engine_ = zarix::EngineApi::Load(ZARIX64_LIBRARY);
    Must(engine_->status().ok(), engine_->status().message);
    zarix::EngineApi& e = *engine_;
    e.zarix_uatab_init("", "", "isisacw", r + "cgi/", data_);
    e.zarix_init_DepositPath(data_ + "Deposit/");
    space1_ = OpenBooks();
    space2_ = OpenBooks();
    AddRecord({{245, "^aHistory of art^bа study"}, {700, "^aSmith^bJohn"}, {953, "^Aimage"}});
    AddRecord({{245, "^aModern art"}, {700, "^aJones"}, {700, "^aSmith"}, {30, "<!FILE=x>"}});
    AddRecord({{245, "^aКаталог ~~title~~"}, {910, "^a1"}, {910, "^a2"}});
  }

  ~Fixture() {
    if (space1_) engine_->Zarixclose(space1_);
    if (space2_) engine_->Zarixclose(space2_);
    if (include_fd_ >= 0) close(include_fd_);
    if (refused_fd_ >= 0) close(refused_fd_);
  }

  void SetInclude(std::string_view text) {
    Check(ftruncate(include_fd_, 0) == 0, "ftruncate");
    Check(pwrite(include_fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()),
          "pwrite");
  }

  void Run(uint8_t options, std::string_view frame) {
    zarix::IniStore web_ini = web_ini_;
    zarix::CgiRequest request;
    zarix::CgiResponse response;
    zarix::DebugTrace trace;
    trace.set_enabled(options & 2);
    zarix::RequestContext ctx(web_ini, request, response, trace);
    ctx.engine = engine_.get();
    ctx.server_ini = server_ini_;
    ctx.cgi_path = root_.path() + "cgi/";
    ctx.frames_char_set = (options & 1) ? "windows-1251" : "UTF-8";
    ctx.database = ctx.engine_database = "BOOKS";
    ctx.datapath = data_;
    ctx.deposit_path = data_ + "Deposit/";
    ctx.actabpath = "isisacw";
    ctx.command = "FSRT"[(options >> 2) & 3];
    ctx.frame_list = {frames_, "header.frm", "RESULT"};
    ctx.log_fields = {{"K=ART", 1001}, {"log <b>", 1002}};
    ctx.space1 = space1_;
    ctx.space2 = space2_;
    if (options & 16) {
      ctx.reader.reader_id = "R1";
      ctx.reader.reader_key = "R1";
      ctx.reader.reader_mfn = 2;
    }

    zarix::PageState page;
    page.database_folder = books_;
    if (ctx.command == 'F') {
      page.results = {1, 2, 3};
      page.first = 0;
      page.last = 2;
    }
    page.placeholders = {{"<--TOTALRECS-->", static_cast<long long>(page.results.size())},
                         {"<--BEGINRECS-->", page.first + 1},
                         {"<--ENDRECS-->", page.last + 1}};

    const zarix::FrameLines before = zarix::SplitFrameLines(frame);
    zarix::FrameLines lines = before;
    zarix::ProcessFrame(ctx, page, &lines);

    for (const std::string& line : lines) {
      Check(line.find_first_of("\r\n") == std::string::npos, "a line holds a line end");
      Check(line.find("~~") == std::string::npos, "a language mark survived");
    }
    if (frame.find('<') == std::string_view::npos && frame.find("~~") == std::string_view::npos &&
        frame.find("\xEF\xBB\xBF") == std::string_view::npos) {
      Check(lines == before, "a frame without directives changed");
    }
  }

 private:
  static void Write(const std::string& path, std::string_view text) {
    Must(zarix::WriteFileBytes(path, text), "cannot write " + path);
  }

  // A TCP port on 127.0.0.1 that is bound by this process and never listened on: a connect to
  // it is refused at once, and no other program can take it while the fuzzer runs.
  void ReserveRefusedPort() {
    refused_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    Must(refused_fd_ >= 0, "socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    Must(bind(refused_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
             getsockname(refused_fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0,
         "bind a loopback port");
    g_refused_port = ntohs(a.sin_port);
  }

  int OpenBooks() {
    zarix::EngineApi& e = *engine_;
    const int space = e.Zarixinit();
    Must(space > 0, "Zarixinit");
    e.ZarixInitUACTAB(space);
    Must(e.Zarixinitmst(space, books_ + "BOOKS", 5) == 0, "Zarixinitmst");
    Must(e.Zarixinitterm(space, books_ + "BOOKS") == 0, "Zarixinitterm");
    e.ZarixInitInvContext(space, books_, "", 0, "isisacw", "");
    return space;
  }

  void AddRecord(std::initializer_list<std::pair<int, std::string>> fields) {
    zarix::EngineApi& e = *engine_;
    e.Zarixnewrec(space1_, 0);
    for (const auto& [tag, text] : fields) e.Zarixfldadd(space1_, 0, tag, text);
    Must(e.ZarixRecUpdateTime(space1_, 0, 0, 1, 0) == 0, "record write");
  }

  zarix::testing::TempDir root_;
  std::string data_, frames_, books_;
  int include_fd_ = -1;
  int refused_fd_ = -1;
  zarix::IniStore server_ini_;
  zarix::IniStore web_ini_;
  std::unique_ptr<zarix::EngineApi> engine_;
  int space1_ = 0;
  int space2_ = 0;
};

Fixture& GetFixture() {
  // Destroyed at exit, which removes the temporary folder.
  static Fixture fixture;
  return fixture;
}

}  // namespace

// Name resolution of this process: every name and port gives the refused loopback port, so a
// "<!PHP=IP=host:port,..." that a frame builds can reach neither a resolver nor a server.
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** res) {
  if (g_refused_port == 0) return EAI_FAIL;
  auto* address = new sockaddr_in{};
  address->sin_family = AF_INET;
  address->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address->sin_port = htons(static_cast<uint16_t>(g_refused_port));
  auto* info = new addrinfo{};
  info->ai_family = AF_INET;
  info->ai_socktype = SOCK_STREAM;
  info->ai_protocol = IPPROTO_TCP;
  info->ai_addr = reinterpret_cast<sockaddr*>(address);
  info->ai_addrlen = sizeof *address;
  *res = info;
  return 0;
}

extern "C" void freeaddrinfo(addrinfo* list) noexcept {
  while (list != nullptr) {
    addrinfo* next = list->ai_next;
    delete reinterpret_cast<sockaddr_in*>(list->ai_addr);
    delete list;
    list = next;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1 << 20)) return 0;
  Fixture& fixture = GetFixture();
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t split = rest.find('\f');
  fixture.SetInclude(split == std::string_view::npos ? std::string_view() : rest.substr(split + 1));
  fixture.Run(data[0], rest.substr(0, split));
  return 0;
}
