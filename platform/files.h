// Where the program finds its own files. The folders beside the program ("pst", "language", "hlp")
// were written on a case-insensitive file system, so names inside them match without regard to case.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// The folder that holds the program file; tests may point it elsewhere.
std::string ProgramDir();
void SetProgramDir(const std::string& dir);

// The program file's own path ("/opt/velkora/velkora"); files named after the program take its name.
std::string ProgramFile();

// dir + separator + name.
std::string JoinPath(const std::string& dir, const std::string& name);

// The entry of `dir` whose name equals `name` without regard to ASCII case (an exact match wins);
// nullopt when there is none.
std::optional<std::string> FindFileNoCase(const std::string& dir, const std::string& name);

// Names (not paths) of the regular files in `dir` whose extension matches `ext` (e.g. ".lng")
// without regard to case, sorted.
std::vector<std::string> ListFilesWithExtension(const std::string& dir, const std::string& ext);

// The name without folder and without extension.
std::string BaseNameWithoutExtension(const std::string& path);

// True when `name` is a plain file name: no separator, no "..", not empty.
bool IsPlainFileName(const std::string& name);

}  // namespace platform
