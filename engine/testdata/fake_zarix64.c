/* An engine library of another interface version, with nothing but its version function. */
#include <string.h>

__attribute__((visibility("default"))) int ZarixDLLVersion(char* buf, int cap) {
  if (!buf || cap < 5) return -905;
  strcpy(buf, "1999");
  return 0;
}
