// The scene objects of lines, solids and revolution solids in the register of stored definitions,
// so that a stored scene and CreateChild can make them by class name. Run by RegisterSceneClasses.
#pragma once

namespace scene3d {

void RegisterSceneObjectClasses();

}  // namespace scene3d
