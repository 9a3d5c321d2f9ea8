// The zig-zag program Calculate writes, as the benchmarks read it: rows of 500 feed moves 0.2 apart
// joined by rapids, every 10th row ending with an arc and a drilling cycle.
#pragma once

#include <cstdio>
#include <string>

// `numberStep` is the step of the N words; the rows start again at Y 0 after `rowsBeforeRepeat`
// rows (0: never), so a long program stays within a stock's size.
inline std::string ZigZagProgram(int lines, int numberStep, int rowsBeforeRepeat) {
  std::string nc = "%\n(RELIEF.NC)\nG21 G90\nG0 X0 Y0 Z2\n";
  nc.reserve(size_t(lines) * 34);
  char line[96];
  int written = 4, row = 0;
  while (written < lines) {
    const double y = (rowsBeforeRepeat ? row % rowsBeforeRepeat : row) * 0.5;
    for (int i = 0; i < 500 && written < lines; ++i, ++written) {
      const int column = row % 2 ? 499 - i : i;
      std::snprintf(line, sizeof line, "N%d G1 X%.3f Y%.3f Z%.3f\n", written * numberStep, column * 0.2, y,
                    -1.0 - 0.5 * ((column * 7 + row * 3) % 11) / 11.0);
      nc += line;
    }
    if (++row % 10 == 0 && written + 2 < lines) {
      std::snprintf(line, sizeof line, "G2 X%.3f Y%.3f R2.5\nG81 X5 Y5 Z-3 R1\n", row % 2 ? 0.0 : 99.8, y + 0.5);
      nc += line;
      written += 2;
    } else if (written < lines) {
      nc += "G0 Z2\n";
      ++written;
    }
  }
  return nc;
}
