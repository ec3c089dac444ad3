/* The Zebra side of the search-page benchmark: over one persistent Z39.50 connection, for each
 * query a search (two words ANDed, "any" attribute) and the first 20 records retrieved and
 * rendered. Usage: search_page_zebra HOST:PORT QUERIES_FILE [runs]. Prints the median and the
 * 95th percentile in milliseconds. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <yaz/zoom.h>

static int Compare(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: search_page_zebra HOST:PORT QUERIES_FILE [runs]\n");
    return 2;
  }
  int runs = argc > 3 ? atoi(argv[3]) : 300;
  if (runs < 20) runs = 20;
  char queries[16][256];
  int nq = 0;
  FILE* f = fopen(argv[2], "r");
  char a[100], b[100];
  while (f && nq < 16 && fscanf(f, "%99s %99s", a, b) == 2) {
    snprintf(queries[nq++], sizeof queries[0], "@and @attr 1=1016 %s @attr 1=1016 %s", a, b);
  }
  if (f) fclose(f);
  if (nq == 0) return 2;

  ZOOM_connection c = ZOOM_connection_new(argv[1], 0);
  int error;
  const char *msg, *addinfo;
  if ((error = ZOOM_connection_error(c, &msg, &addinfo))) {
    fprintf(stderr, "connect: %s (%s)\n", msg, addinfo);
    return 1;
  }
  ZOOM_connection_option_set(c, "preferredRecordSyntax", "usmarc");
  double* ms = malloc(sizeof(double) * runs);
  for (int i = -10; i < runs; ++i) {
    const char* q = queries[(i + 10) % nq];
    double t0 = Now();
    ZOOM_resultset r = ZOOM_connection_search_pqf(c, q);
    if ((error = ZOOM_connection_error(c, &msg, &addinfo))) {
      fprintf(stderr, "search %s: %s (%s)\n", q, msg, addinfo);
      return 1;
    }
    size_t hits = ZOOM_resultset_size(r);
    ZOOM_record recs[20];
    size_t n = hits < 20 ? hits : 20;
    ZOOM_resultset_records(r, recs, 0, n);
    size_t bytes = 0;
    for (size_t k = 0; k < n; ++k) {
      int len = 0;
      if (recs[k] && ZOOM_record_get(recs[k], "render", &len)) bytes += (size_t)len;
    }
    double t1 = Now();
    if (i < 0 && i + 10 < nq) printf("  zebra %s: %zu hits, %zu bytes shown\n", q, hits, bytes);
    if (i >= 0) ms[i] = t1 - t0;
    ZOOM_resultset_destroy(r);
  }
  ZOOM_connection_destroy(c);
  qsort(ms, (size_t)runs, sizeof(double), Compare);
  printf(
      "zebra search + 20 records, persistent connection, %d requests:\n"
      "  median %.2f ms   p95 %.2f ms\n",
      runs, ms[runs / 2], ms[(int)(0.95 * (runs - 1) + 0.5)]);
  free(ms);
  return 0;
}
