#include "records/access_rules.h"

#include "gtest/gtest.h"

namespace zarix {
namespace {

TEST(AccessRulesTest, AddressesAndReader) {
  IniStore ini;
  ini.LoadText(
      "[BOOKS]\n10.0.0.5=1\n10.0.0.6=0\nIMPORT_ISO_10.0.0.6=1\n"
      "[OPEN]\n*.*.*.*=1\nIMPORT_ISO_*.*.*.*=1\n"
      "[WEB]\n*.*.*.*=1\n");
  const struct {
    const char* db;
    const char* key;
    const char* address;
    int export_rc;
    int import_rc;
  } cases[] = {
      {"BOOKS", "K1", "10.0.0.5", 0, -1},
      {"BOOKS", "K1", "10.0.0.6", -1, 0},
      {"BOOKS", "K1", "10.0.0.7", -1, -1},
      {"books", "K1", "10.0.0.5", 0, -1},
      {"BOOKS", "", "10.0.0.5", -1, -1},  // an unidentified reader may do neither
      {"OPEN", "K1", "", 0, 0},
      {"OPEN", "", "1.2.3.4", -1, -1},
      {"OTHER", "K1", "10.0.0.5", -1, -1},  // [WEB] is no fallback for permissions
      {"", "K1", "10.0.0.5", -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExportAllowed(ini, c.db, c.key, c.address), c.export_rc) << c.db << " " << c.address;
    EXPECT_EQ(ImportAllowed(ini, c.db, c.key, c.address), c.import_rc) << c.db << " " << c.address;
  }
}

}  // namespace
}  // namespace zarix
