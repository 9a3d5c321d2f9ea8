// libFuzzer target: "Tool.db" files, read whole and changed (swap, delete, add) as the tool window
// does, every record's name and shape taken as the window and the probes take them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "machining/tool_database.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A plain array: it outlives every exit handler, so the file can be removed at exit.
  static char path[4096] = {};
  if (!path[0]) {
    const std::string name =
        (std::filesystem::temp_directory_path() / ("velkora_fuzz_" + std::to_string(::getpid()) + "_Tool.db")).string();
    name.copy(path, sizeof path - 1);
    std::atexit([] { std::remove(path); });
  }
  platform::WriteFileBytes(path, data, size);
  machining::ToolDatabase db(path);
  try {
    for (const machining::TToolRecord& r : db.ReadAll()) {
      (void)machining::ToolNameText(r);
      (void)machining::ToolShapeProblem(machining::ShapeOf(r));
      machining::TToolRecord copy = r;
      machining::SetToolNameText(copy, machining::ToolNameText(r));
    }
    const int count = db.Count();
    if (count > 1) db.Swap(0, count - 1);
    if (count > 0) {
      machining::TToolRecord first = db.Read(0);
      db.Delete(0);
      db.Add(first);
    }
    (void)db.Read(count);  // one past the end: refused
  } catch (const platform::Exception&) {
  }
  return 0;
}
