#include "app/settings.h"

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/numbers.h"

namespace app {

namespace {
constexpr const char* kColor = "Color";
constexpr const char* kDefault = "Default";

platform::TColor ReadColor(const platform::IniFile& ini, const char* key, platform::TColor def) {
  return static_cast<platform::TColor>(ini.ReadInteger(kColor, key, static_cast<int>(def)));
}
}  // namespace

std::string SettingsPath() { return platform::JoinPath(platform::ProgramDir(), kSettingsFileName); }

ProgramSettings ReadSettings(const platform::IniFile& ini) {
  ProgramSettings s;
  s.form = ReadColor(ini, "Form", s.form);
  s.background = ReadColor(ini, "BackGround", s.background);
  s.defLayers = ReadColor(ini, "DefLayers", s.defLayers);
  s.grid = ReadColor(ini, "Grid", s.grid);
  s.unit = ini.ReadInteger(kDefault, "Unit", s.unit);
  s.showGrid = ini.ReadBool(kDefault, "SGrid", s.showGrid);
  s.showAxes = ini.ReadBool(kDefault, "SAxis", s.showAxes);
  s.language = ini.ReadString(kDefault, "Language", s.language);
  s.gridX = ini.ReadFloat(kDefault, "GridX", s.gridX);
  s.gridY = ini.ReadFloat(kDefault, "GridY", s.gridY);
  s.snapX = ini.ReadFloat(kDefault, "SnapX", s.snapX);
  s.snapY = ini.ReadFloat(kDefault, "SnapY", s.snapY);
  s.zWhite = ini.ReadString(kDefault, "ZWhite", s.zWhite);
  s.zBlack = ini.ReadString(kDefault, "ZBlack", s.zBlack);
  s.feedPlane = ini.ReadString(kDefault, "FeedPlane", s.feedPlane);
  s.stepOver = ini.ReadString(kDefault, "StepOver", s.stepOver);
  s.filter = ini.ReadString(kDefault, "Filter", s.filter);
  // An empty name (written by an earlier version) names no post-processor: the default stands.
  const std::string pst = ini.ReadString(kDefault, "Pst", s.pst);
  if (!platform::Trim(pst).empty()) s.pst = pst;
  s.tool = ini.ReadInteger(kDefault, "Tool", s.tool);
  s.fOpen = ini.ReadString(kDefault, "FOpen", s.fOpen);
  s.ncPath = ini.ReadString(kDefault, "NcPath", s.ncPath);
  return s;
}

void WriteSettings(platform::IniFile& ini, const ProgramSettings& s) {
  ini.WriteInteger(kColor, "Form", static_cast<int>(s.form));
  ini.WriteInteger(kColor, "BackGround", static_cast<int>(s.background));
  ini.WriteInteger(kColor, "DefLayers", static_cast<int>(s.defLayers));
  ini.WriteInteger(kColor, "Grid", static_cast<int>(s.grid));
  ini.WriteInteger(kDefault, "Unit", s.unit);
  ini.WriteBool(kDefault, "SGrid", s.showGrid);
  ini.WriteBool(kDefault, "SAxis", s.showAxes);
  ini.WriteFloat(kDefault, "GridX", s.gridX);
  ini.WriteFloat(kDefault, "GridY", s.gridY);
  ini.WriteFloat(kDefault, "SnapX", s.snapX);
  ini.WriteFloat(kDefault, "SnapY", s.snapY);
  ini.WriteString(kDefault, "FOpen", s.fOpen);
  ini.WriteString(kDefault, "NcPath", s.ncPath);
  ini.WriteString(kDefault, "Language", s.language);
  if (!platform::Trim(s.pst).empty()) ini.WriteString(kDefault, "Pst", s.pst);
  ini.WriteInteger(kDefault, "Tool", s.tool);
}

}  // namespace app
