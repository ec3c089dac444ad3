// zarix-admin create: a new empty database with its parameter files.
#include "admin/admin_create.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "processor/server_config.h"
#include "util/path.h"
#include "admin/admin_report.h"
#include "zarix64/database.h"

namespace zarix::admin {

// Terms from one subfield of each occurrence: technique 0 keeps the whole heading, 8 makes one
// term per word. Headings end in the punctuation cataloguers put there ("Smith, John,"); search
// with truncation finds them all the same.
std::string DefaultFst(MarcFlavour flavour) {
  if (flavour == MarcFlavour::kRequestLog) return RequestLogFst();
  if (flavour == MarcFlavour::kMarc21) {
    return "100 0 (|A=|v100^a/)\n"
           "110 0 (|A=|v110^a/)\n"
           "111 0 (|A=|v111^a/)\n"
           "700 0 (|A=|v700^a/)\n"
           "710 0 (|A=|v710^a/)\n"
           "711 0 (|A=|v711^a/)\n"
           "245 0 (|T=|v245^a/)\n"
           "246 0 (|T=|v246^a/)\n"
           "740 0 (|T=|v740^a/)\n"
           "600 0 (|S=|v600^a/)\n"
           "610 0 (|S=|v610^a/)\n"
           "650 0 (|S=|v650^a/)\n"
           "651 0 (|S=|v651^a/)\n"
           "8 8 \"G=\"v8*7.4\n"
           "245 8 (|K=|v245^a/|K=|v245^b/)\n"
           "246 8 (|K=|v246^a/)\n"
           "600 8 (|K=|v600^a/)\n"
           "650 8 (|K=|v650^a/|K=|v650^x/)\n"
           "651 8 (|K=|v651^a/)\n"
           "653 8 (|K=|v653^a/)\n"
           "740 8 (|K=|v740^a/)\n";
  }
  return "700 0 (|A=|v700^a,\" \"v700^b/)\n"
         "701 0 (|A=|v701^a,\" \"v701^b/)\n"
         "702 0 (|A=|v702^a,\" \"v702^b/)\n"
         "710 0 (|A=|v710^a/)\n"
         "711 0 (|A=|v711^a/)\n"
         "200 0 (|T=|v200^a/)\n"
         "517 0 (|T=|v517^a/)\n"
         "600 0 (|S=|v600^a/)\n"
         "601 0 (|S=|v601^a/)\n"
         "606 0 (|S=|v606^a/)\n"
         "607 0 (|S=|v607^a/)\n"
         "100 8 \"G=\"v100^a*9.4\n"
         "200 8 (|K=|v200^a/|K=|v200^e/)\n"
         "517 8 (|K=|v517^a/)\n"
         "606 8 (|K=|v606^a/|K=|v606^x/)\n"
         "610 8 (|K=|v610^a/)\n";
}

std::string ParText(std::string_view folder) {
  std::string text;
  for (int line = 1; line <= 11; ++line) {
    text += std::to_string(line) + "=" + std::string(folder) + "\r\n";
  }
  return text;
}

bool CreateDatabase(const CreateRequest& request, std::string* notes, std::string* error) {
  namespace fs = std::filesystem;
  std::string datapath = request.datapath;
  if (!datapath.empty() && datapath.back() != '/' && datapath.back() != '\\') datapath += '/';
  std::string par = ParFilePath(request.name, datapath);
  if (FileExists(par)) {
    *error = par + " exists already: database " + request.name + " is there";
    return false;
  }
  std::error_code ec;
  // A new site's first database: its data folder is made too, as mkdir -p would.
  if (!DirExists(datapath)) {
    fs::create_directories(NativePath(datapath), ec);
    if (!DirExists(datapath)) {
      *error = "cannot create data folder " + datapath + (ec ? ": " + ec.message() : "");
      return false;
    }
  }
  std::string folder = request.folder.empty() ? datapath + request.name : request.folder;
  // The .par file outlives the working folder of this command: store an absolute path.
  folder = fs::absolute(NativePath(folder), ec).lexically_normal().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  fs::create_directories(folder, ec);
  if (!DirExists(folder)) {
    *error = "cannot create folder " + folder + (ec ? ": " + ec.message() : "");
    return false;
  }

  std::string prefix = folder + request.name;
  for (const char* ext : {".fst", ".stw"}) {
    std::string path = prefix + ext;
    if (FileExists(path)) {
      *notes += "kept the existing " + path + "\n";
      continue;
    }
    std::string text = std::string(ext) == ".fst" ? DefaultFst(request.flavour) : "";
    if (!WriteFileBytes(path, text)) {
      *error = "cannot write " + path;
      return false;
    }
  }

  db::OpenOptions options;
  options.master_prefix = prefix;
  options.inverted_prefix = prefix;
  options.parameter_dir = folder;
  std::unique_ptr<db::Database> db;
  db::Status s = db::Database::Create(options, &db);
  if (!s.ok()) {
    *error = "cannot create " + prefix + ".mst / .ifp: " + s.ToString();
    return false;
  }
  db.reset();
  if (!WriteFileBytes(par, ParText(folder))) {
    *error = "cannot write " + par;
    return false;
  }
  return true;
}

}  // namespace zarix::admin
