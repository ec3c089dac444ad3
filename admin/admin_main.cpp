// zarix-admin: the librarians' command-line tool. One line per command in kCommands: its
// arguments, options, help text and handler.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "admin/admin_args.h"
#include "admin/admin_commands.h"

namespace zarix::admin {
namespace {

struct Command {
  const char* name;
  const char* usage;  // after "zarix-admin NAME "
  int min_args;
  int max_args;  // -1: no limit
  std::vector<const char*> value_options;
  std::vector<const char*> flag_options;
  int (*handler)(const Args&);
  const char* help;
};

constexpr const char* kDbHelp =
    "DB is a database name: DATAPATH/DB.par gives its folders. DATAPATH is --datapath, or\n"
    "[MAIN] DATAPATH of the zarix_server.ini the gateway uses (ZARIX_CONFIG_DIR, the folder\n"
    "of this program, /etc/zarix/).\n";

// clang-format off
const Command kCommands[] = {
    {"create", "DATAPATH NAME [--folder DIR] [--marc21 | --unimarc | --log]", 2, 2, {"folder"},
     {"marc21", "unimarc", "log"}, CmdCreate,
     "Creates an empty database NAME in DIR (default DATAPATH/NAME/): NAME.mst, NAME.ifp, a\n"
     "field selection table NAME.fst for MARC 21 (default) or UNIMARC records (keywords K=,\n"
     "authors A=, titles T=, subjects S=, years G=), an empty stop-word list NAME.stw, and\n"
     "DATAPATH/NAME.par pointing at DIR; DATAPATH is made when missing. Refuses to overwrite\n"
     "an existing database.\n"
     "--log makes a request-log database for the gateway's LogDateBase (see report).\n"},
    {"import", "DB FILE... [--encoding E] [--no-index]", 2, -1, {"encoding", "datapath"},
     {"no-index"}, CmdImport,
     "Loads ISO 2709 files (MARC 21, UNIMARC, RUSMARC) as new records. E: utf-8 (default),\n"
     "windows-1251, cp866, koi8-r, marc-8. Each data field keeps its two indicators as its\n"
     "first characters, subfields become \"^\" + code; leader positions 5-9 and 17-19 go into\n"
     "field 999. A broken record is reported with its byte offset and skipped. --no-index\n"
     "stores records without indexing them (then: reindex DB --pending).\n"
     "Every file is read first: one that is not ISO 2709, or holds a record that is not\n"
     "valid in E, is refused with nothing loaded (exit status 1). Data fields holding a\n"
     "literal \"^\" are counted (it reads as a subfield mark). When the output is not a\n"
     "terminal, each committed batch is logged (\"records 1-5,000 committed\").\n"
     "Exit status 3 when broken records were skipped and the rest was loaded.\n"},
    {"export", "DB FILE [--text] [--encoding E] [--mfn FROM-TO] [--strict]", 2, 2,
     {"encoding", "mfn", "datapath"}, {"text", "strict"}, CmdExport,
     "Writes records as ISO 2709 (leader rebuilt from field 999, \"^\" of data fields as\n"
     "subfield delimiter; control fields 001-009 as they are)\n"
     "or with --text as \"#tag: value\" lines and \"*****\" after each record. FILE \"-\" is\n"
     "standard output. Deleted records are left out. Exit status 3 when a record could not be\n"
     "read or was too long for ISO 2709 (named on standard error; the others are written).\n"
     "Characters E lacks are written as \"?\" and counted; --strict refuses the export then.\n"},
    {"print", "DB --format FORMAT|@FILE [--mfn N|FROM-TO]", 1, 1, {"format", "mfn", "datapath"},
     {}, CmdPrint,
     "Runs a format on records and prints the output. @FILE is looked up as written, then in\n"
     "the database's parameter folder (\".pft\" added when it has no extension). Exit status 1\n"
     "when the format fails on a record.\n"},
    {"terms", "DB [--prefix P] [--from TERM] [--count N]", 1, 1,
     {"prefix", "from", "count", "datapath"}, {}, CmdTerms,
     "Lists dictionary terms in order with their posting counts (TERM<tab>COUNT), starting at\n"
     "TERM or at the prefix P, while terms begin with P, at most N of them.\n"},
    {"postings", "DB TERM", 2, 2, {"datapath"}, {}, CmdPostings,
     "Lists the postings of TERM: MFN<tab>TAG<tab>OCCURRENCE<tab>POSITION.\n"},
    {"reindex", "DB [--pending]", 1, 1, {"datapath"}, {"pending"}, CmdReindex,
     "Rebuilds the inverted file from all records (after a change of the .fst, stop words or\n"
     "tables); with --pending only indexes records stored without indexing.\n"},
    {"check", "DB", 1, 1, {"datapath"}, {}, CmdCheck,
     "Compares every record's terms with the inverted file and the dictionary counts with the\n"
     "postings. Exit status 1 with a report when they disagree.\n"},
    {"stats", "DB", 1, 1, {"datapath"}, {}, CmdStats,
     "Shows record, term and posting counts, file sizes and the admin lock.\n"},
    {"empty", "DB [--yes]", 1, 1, {"datapath"}, {"yes"}, CmdEmpty,
     "Removes every record and posting; MFNs start at 1 again. Asks first on a terminal\n"
     "unless --yes.\n"},
    {"lock", "DB", 1, 1, {"datapath"}, {}, CmdLock,
     "Locks the database for administration: the gateway goes on reading, writes are refused\n"
     "until unlock. The lock survives this program.\n"},
    {"unlock", "DB", 1, 1, {"datapath"}, {}, CmdUnlock, "Removes the administration lock.\n"},
    {"report", "LOGDB [--from DATE] [--to DATE] [--top N] [--csv]", 1, 1,
     {"from", "to", "top", "datapath"}, {"csv"}, CmdReport,
     "What readers ask of the catalogue, from a request-log database made with create --log:\n"
     "the N (default 20) most frequent searches, the searches that found nothing, requests\n"
     "per day and per command, for the days DATE (YYYY-MM-DD) from --from to --to. Counted\n"
     "from the dictionary and postings. The gateway logs into it with [PARAMETRS]\n"
     "PARCOUNT=3, PARNAME1=S21All, PARTAG1=1, PARNAME2=C21COM, PARTAG2=2, PARNAME3=I21DBN,\n"
     "PARTAG3=3, SearchResultTag=4 (and DateTimeTag 907).\n"},
};
// clang-format on

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: zarix-admin COMMAND ARGUMENTS... [--datapath DIR]\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %s %s\n", c.name, c.usage);
  std::fprintf(out, "\n%s\"zarix-admin COMMAND --help\" describes a command.\n", kDbHelp);
}

void PrintHelp(const Command& c) {
  std::printf("usage: zarix-admin %s %s%s\n\n%s", c.name, c.usage,
              std::strcmp(c.name, "create") ? " [--datapath DIR]" : "", c.help);
  if (std::strcmp(c.name, "create") != 0) std::printf("\n%s", kDbHelp);
}

}  // namespace

int Main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    OptionSpec spec;
    for (const char* o : c.value_options) spec.with_value.insert(o);
    for (const char* o : c.flag_options) spec.flags.insert(o);
    Args args;
    std::string error;
    if (!args.Parse(std::vector<std::string>(argv + 2, argv + argc), spec, &error)) {
      std::fprintf(stderr, "zarix-admin %s: %s\nusage: zarix-admin %s %s\n", c.name, error.c_str(),
                   c.name, c.usage);
      return kExitUsage;
    }
    if (args.Flag("help")) {
      PrintHelp(c);
      return kExitOk;
    }
    int n = static_cast<int>(args.positional().size());
    if (n < c.min_args || (c.max_args >= 0 && n > c.max_args)) {
      std::fprintf(stderr, "zarix-admin %s: %s arguments\nusage: zarix-admin %s %s\n", c.name,
                   n < c.min_args ? "missing" : "too many", c.name, c.usage);
      return kExitUsage;
    }
    return c.handler(args);
  }
  std::fprintf(stderr, "zarix-admin: unknown command \"%s\"\n\n", name.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

}  // namespace zarix::admin

int main(int argc, char** argv) { return zarix::admin::Main(argc, argv); }
