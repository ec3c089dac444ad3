// The floor of the request benchmark: a C++ program that starts and ends, linked like the gateway.
#include <unistd.h>

int main() {
  static const char kAnswer[] = "Content-Type: text/plain\r\nContent-Length: 2\r\n\r\nok";
  return write(1, kAnswer, sizeof kAnswer - 1) < 0;
}
