/* The least a program can do to report on an (x,y) file: read it line by
   line, convert both numbers and print the count, the range and the first
   and last point. The yardstick for the whole-process cost of
   `difscop-cli info`. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  FILE* f = fopen(argv[1], "rb");
  if (!f) return 1;
  char line[260];
  long n = 0;
  double firstX = 0, firstY = 0, x = 0, y = 0, yMax = 0;
  while (fgets(line, sizeof line, f)) {
    char* end = NULL;
    double a = strtod(line, &end);
    if (end == line) continue;
    char* end2 = NULL;
    double b = strtod(end, &end2);
    if (end2 == end) continue;
    x = a;
    y = b;
    if (n == 0) {
      firstX = x;
      firstY = y;
      yMax = y;
    }
    if (y > yMax) yMax = y;
    ++n;
  }
  fclose(f);
  if (n == 0) return 1;
  printf("obsCount: %ld\nxMin: %g\nxMax: %g\nyMax: %g\nfirst: %g %g\nlast: %g %g\n", n, firstX, x,
         yMax, firstX, firstY, x, y);
  return 0;
}
