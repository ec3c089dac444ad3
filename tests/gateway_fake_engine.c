/* Engine libraries the gateway must refuse to work with, built from this one file:
 * - by default one of another interface version;
 * - with ZARIX_FAKE_ENGINE_DEPENDENCY a small library of its own, and with
 *   ZARIX_FAKE_ENGINE_NEEDS_DEPENDENCY an engine that needs it: where it is missing, the dynamic
 *   loader refuses the engine and names the missing library. */
#include <string.h>

#ifdef ZARIX_FAKE_ENGINE_DEPENDENCY
__attribute__((visibility("default"))) const char* ZarixFakeEngineVersion(void) { return "2020"; }
#else
#ifdef ZARIX_FAKE_ENGINE_NEEDS_DEPENDENCY
const char* ZarixFakeEngineVersion(void);
#else
static const char* ZarixFakeEngineVersion(void) { return "2019"; }
#endif

__attribute__((visibility("default"))) int ZarixDLLVersion(char* buf, int cap) {
  if (!buf || cap < 5) return -805;
  strcpy(buf, ZarixFakeEngineVersion());
  return 0;
}
#endif
