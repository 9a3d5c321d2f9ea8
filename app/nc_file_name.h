// The NC file's proposed name and the file dialogs' NC filter.
#pragma once

#include <string>

namespace app {

// The name the NC file dialog proposes for a picture: the picture's file name without its folder,
// without the characters a file name cannot hold on any of the machines NC files travel to
// (| < > # \ / : * ? " '), and without its extension; "t" when nothing is left. "my:pic?.bmp"
// gives "mypic".
std::string CleanNcBaseName(const std::string& imagePath);

// The NC files' filter of the file dialogs, in the Windows form: `description` (message "701"),
// " (*." and the post-processor's extension, ")|*." and the extension again. An empty extension
// matches every file.
std::string NcFileFilter(const std::string& description, const std::string& extension);

// `path` with ".<extension>" appended when its file name has no extension (the dialogs' default
// extension).
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace app
