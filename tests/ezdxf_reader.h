// What ezdxf (Debian's python3-ezdxf, which scripts/deps.sh installs) reads of a DXF file: the layer
// table, the blocks, then per model-space entity its type, layer and numbers, one line each.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace testing_support {

inline std::vector<std::string> ReadWithEzdxf(const std::string& path) {
  const char* script =
      "import sys, ezdxf\n"
      "doc = ezdxf.readfile(sys.argv[1])\n"
      "xy = lambda p: [p[0], p[1]]\n"
      "# ezdxf adds the layers 0 and Defpoints of its own\n"
      "print('LAYERS', *sorted(l.dxf.name for l in doc.layers if l.dxf.name not in ('0', 'Defpoints')))\n"
      "for b in doc.blocks:\n"
      "  if not b.name.startswith('*'): print('BLOCK', b.name, len(b))\n"
      "for e in doc.modelspace():\n"
      "  t = e.dxftype(); d = e.dxf\n"
      "  if t == 'LINE': v = xy(d.start) + xy(d.end)\n"
      "  elif t == 'POINT': v = xy(d.location)\n"
      "  elif t == 'CIRCLE': v = xy(d.center) + [d.radius]\n"
      "  elif t == 'ARC': v = xy(d.center) + [d.radius, d.start_angle, d.end_angle]\n"
      "  elif t == 'POLYLINE': p = list(e.points()); v = [len(p), int(e.is_closed)] + xy(p[0])\n"
      "  elif t == 'TEXT': v = xy(d.insert) + [d.height, d.rotation, d.halign] + xy(d.align_point)\n"
      "  elif t == 'INSERT': v = xy(d.insert) + [d.xscale, d.yscale, d.rotation]\n"
      "  else: v = []\n"
      "  print(t, d.layer, *('%.4f' % x for x in v))\n";
  ScratchDir dir("ezdxf");
  const std::string scriptPath = dir.Write("read.py", std::string(script));
  const std::string command = "/usr/bin/python3 " + scriptPath + " '" + path + "' 2>&1";
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
  }
  EXPECT_EQ(pclose(pipe), 0) << "ezdxf failed (python3-ezdxf comes with scripts/deps.sh)";
  return lines;
}

}  // namespace testing_support
