/* An engine library of another interface version: the gateway must refuse to work with it. */
#include <string.h>

__attribute__((visibility("default"))) int ZarixDLLVersion(char* buf, int cap) {
  if (!buf || cap < 5) return -805;
  strcpy(buf, "2019");
  return 0;
}
