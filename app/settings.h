// The program's settings, "velkora.ini" beside the program: read once when the main window is created,
// partly written back when the user confirms closing. The main window applies the values; this file
// only knows the keys, their defaults and their order.
#pragma once

#include <cstdint>
#include <string>

#include "platform/canvas.h"

namespace platform {
class IniFile;
}

namespace app {

inline constexpr const char* kSettingsFileName = "velkora.ini";

struct ProgramSettings {
  // [Color]
  platform::TColor form = platform::clWindow;  // the main window and its panels
  platform::TColor background = 0x808080;     // 2D view and 3D buffer
  platform::TColor defLayers = 0x808080;      // pen colour of every layer
  platform::TColor grid = 0x800000;           // grid of the 2D view
  // [Default]
  int unit = 0;  // 0 millimetres, any other value inches
  bool showGrid = true;
  bool showAxes = true;
  std::string language = "english";
  double gridX = 10.0;
  double gridY = 10.0;
  double snapX = 10.0;
  double snapY = 10.0;
  // Default job values: read, never written (the user sets them by editing the file).
  std::string zWhite = "0";
  std::string zBlack = "-5";
  std::string feedPlane = "2";
  std::string stepOver = "1";
  std::string filter = "0.025";
  std::string pst = "Fanuc_mm";
  int tool = 0;
  std::string fOpen;   // the image open dialog's file name
  std::string ncPath;  // folder of the NC files

  bool Inches() const { return unit != 0; }
};

// The settings file's path: velkora.ini in the program folder.
std::string SettingsPath();

// Every key in the file's reading order; a missing key, or a number that does not read, keeps its
// default.
ProgramSettings ReadSettings(const platform::IniFile& ini);

// Writes the keys that closing writes back, in their order: [Color] Form, BackGround, DefLayers, Grid;
// [Default] Unit, SGrid, SAxis, GridX, GridY, SnapX, SnapY, FOpen, NcPath, Language, Pst, Tool. Other
// keys and sections stay as they are. Only memory changes; the caller saves the file.
void WriteSettings(platform::IniFile& ini, const ProgramSettings& settings);

}  // namespace app
