// Creating a new empty database: its folder, the two storage files, a default field selection
// table (.fst) for MARC 21 or UNIMARC records, an empty stop-word list (.stw) and the NAME.par
// file that makes it reachable by name.
#pragma once

#include <string>
#include <string_view>

namespace zarix::admin {

enum class MarcFlavour { kMarc21, kUnimarc, kRequestLog };

// The default field selection table: keywords (K=, words), authors (A=), titles (T=),
// subjects (S=) and years (G=), for records imported from ISO 2709 (data fields start with
// their two indicators, subfields as "^" + code).
std::string DefaultFst(MarcFlavour flavour);

// The NAME.par text: 11 lines "1=folder" .. "11=folder", CR LF line ends.
std::string ParText(std::string_view folder);

struct CreateRequest {
  std::string datapath;  // folder of NAME.par
  std::string name;
  std::string folder;  // empty: datapath + name + "/"
  MarcFlavour flavour = MarcFlavour::kMarc21;
};

// Creates the database, and the data folder when it does not exist yet. Refuses (returns false with
// *error) when NAME.par or the storage files exist already. A .fst or .stw already in the folder is
// kept (reported in *notes). NAME.par is written last, so a failure leaves no .par pointing at a
// half-made database.
bool CreateDatabase(const CreateRequest& request, std::string* notes, std::string* error);

}  // namespace zarix::admin
