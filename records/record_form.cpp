// Record editing by web forms, and format control.
#include "records/record_form.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "engine/engine_api.h"
#include "gateway/request_store.h"
#include "util/ascii_case.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

constexpr std::string_view kGroupMarkers[] = {"R21MFN", "R21IFP", "R21NUM", "R21SUB",
                                              "R21VOL", "R21UPD", "R21OCC"};
constexpr int kMaxEdits = 1024;
constexpr int kMaxPieces = 255;
constexpr int kFormatCapacity = 32000;

bool IsGroupField(std::string_view name) {
  return std::any_of(std::begin(kGroupMarkers), std::end(kGroupMarkers),
                     [&](std::string_view m) { return name.find(m) != std::string_view::npos; });
}

// The request fields by lower-cased name (the store compares names without regard to case; the
// last occurrence counts). One lookup per piece would walk the whole store each time.
class FormFields {
 public:
  explicit FormFields(const IniStore& web_ini) {
    for (const std::string& line : web_ini.SectionLines(kFormSection)) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      fields_[LowerAscii(std::string_view(line).substr(0, eq))] = line.substr(eq + 1);
    }
  }
  const std::string& Get(const std::string& name) const {
    auto it = fields_.find(LowerAscii(name));
    return it == fields_.end() ? empty_ : it->second;
  }
  bool Has(const std::string& name) const { return fields_.count(LowerAscii(name)) != 0; }
  void Clear(const std::string& name) { fields_[LowerAscii(name)].clear(); }

 private:
  std::unordered_map<std::string, std::string> fields_;
  std::string empty_;
};

long long FieldInt(const FormFields& form, const std::string& name, long long def) {
  // Occurrences, tags and modes: an int, else the default.
  return form.Has(name) ? ParseWholeNumber(form.Get(name), def, -0x7fffffffLL, 0x7fffffffLL) : def;
}

void RemoveOccurrence(EngineApi& e, int space, int tag, int occurrence) {
  const int field = e.Zarixfieldn(space, 0, tag, occurrence);
  if (field > 0) e.Zarixfldrep(space, 0, field, "");
}

// Mode 3, 4 or 5 at the first edit of a tag.
void RemoveOld(EngineApi& e, int space, int tag, long long mode, const std::string& p,
               const std::string& i, IniStore& web_ini, FormFields* form) {
  const int count = e.Zarixnocc(space, 0, tag);
  if (mode == 3) {
    for (int n = count; n > 0; --n) RemoveOccurrence(e, space, tag, n);
    return;
  }
  const long long occ = FieldInt(*form, p + "R21OCC" + i, -1);
  if (occ < 1 || occ > count) return;
  if (mode == 4) {
    RemoveOccurrence(e, space, tag, static_cast<int>(occ));
    return;
  }
  const std::string piece_name = p + "R21VOL" + i + "_1";
  const std::string piece = form->Get(piece_name);
  const int field = e.Zarixfieldn(space, 0, tag, static_cast<int>(occ));
  if (field <= 0 || piece.empty()) return;
  if (e.Zarixfield(space, 0, field) != piece) return;
  e.Zarixfldrep(space, 0, field, "");
  // The text replaced the old occurrence: it is not added a second time.
  form->Clear(piece_name);
  SetRequestParam(web_ini, piece_name, "");
}

void ApplyGroup(IniStore& web_ini, FormFields* form, EngineApi& e, int space, const std::string& p,
                std::set<int>* edited_tags) {
  const long long mode = FieldInt(*form, p + "R21UPD", 1);
  for (int n = 1; n <= kMaxEdits; ++n) {
    const std::string i = std::to_string(n);
    const long long tag_value = FieldInt(*form, p + "R21NUM" + i, -1);
    if (tag_value <= 0 || tag_value > 0x7fffffff) break;
    const int tag = static_cast<int>(tag_value);
    if ((mode == 3 || mode == 4 || mode == 5) && edited_tags->insert(tag).second) {
      RemoveOld(e, space, tag, mode, p, i, web_ini, form);
    }
    std::string plain, subfields;
    for (int j = 1; j <= kMaxPieces; ++j) {
      const std::string suffix = i + "_" + std::to_string(j);
      const std::string& text = form->Get(p + "R21VOL" + suffix);
      if (text.empty()) continue;
      const std::string& code = form->Get(p + "R21SUB" + suffix);
      if (code.empty()) {
        plain += text;
      } else {
        subfields += "^" + code + text;
      }
    }
    const std::string value = SanitizeLogValue(plain + subfields);
    if (!value.empty()) e.Zarixfldadd(space, 0, tag, value);
  }
}

}  // namespace

std::vector<std::string> FormGroupPrefixes(const IniStore& web_ini) {
  std::vector<std::string> names;
  for (const std::string& name : web_ini.SectionKeys(kFormSection)) {
    if (IsGroupField(name)) names.push_back(name);
  }
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return UpperAscii(a) < UpperAscii(b);
  });
  // Each prefix once (names compare without regard to case, so "a" and "A" are one group),
  // even where sorting puts names of other prefixes between its names: a group applied twice
  // would add its fields twice.
  std::vector<std::string> prefixes;
  std::set<std::string> seen;
  for (const std::string& name : names) {
    std::string prefix = name.substr(0, name.find("R21"));
    if (seen.insert(UpperAscii(prefix)).second) prefixes.push_back(std::move(prefix));
  }
  return prefixes;
}

void ApplyGroupFields(IniStore& web_ini, EngineApi& engine, int space, std::string_view prefix,
                      std::set<int>* edited_tags) {
  FormFields form(web_ini);
  ApplyGroup(web_ini, &form, engine, space, std::string(prefix), edited_tags);
}

void ApplyFormFields(IniStore& web_ini, EngineApi& engine, int space) {
  FormFields form(web_ini);
  std::set<int> edited_tags;
  for (const std::string& prefix : FormGroupPrefixes(web_ini)) {
    ApplyGroup(web_ini, &form, engine, space, prefix, &edited_tags);
  }
}

FormatCheck CheckFormat(EngineApi& engine, int space, int shelf, std::string_view format_path) {
  FormatCheck check;
  try {
    std::string spec = "@";
    spec += format_path;
    if (engine.Zarix_InitPFT(space, spec) != 0) {
      // A control that cannot run must not let records through.
      check.failed = true;
      check.output = engine.ZarixLastMessage(space);
      return check;
    }
    const int rc = engine.Zarix_Format(space, shelf, 1, 1, kFormatCapacity);
    check.output = engine.Zarix_FormatResult(space);
    if (rc < 0) {
      check.failed = true;
      return check;
    }
    size_t start = 0;
    while (start < check.output.size()) {
      size_t end = check.output.find_first_of("\r\n", start);
      if (end == std::string::npos) end = check.output.size();
      if (end > start && check.output[start] == '1') check.failed = true;
      start = end + 1;
    }
  } catch (...) {
    check.failed = true;
  }
  return check;
}

}  // namespace zarix
