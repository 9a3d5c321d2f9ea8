// The start and end of the 2D entity library: the class register filled with the entity classes
// under their stream class ids, the program-wide control-point handler of the primitives, and the
// vector-font register with its default glyph. The program starts the library once before it
// reads or makes any entity, and ends it after the last drawing is gone.
#pragma once

namespace cad {

class TPrimitive2DHandler;

// Empties the class register and registers the 20 entity classes (ids 0-19), makes the
// primitives' handler, empties the vector-font register, makes the default glyph and clears the
// default font. Starting again ends the previous start first.
void KQSysStartEntities();
// Frees every registered vector font, then the default glyph and the library's reference to the
// handler (objects still holding it keep it alive).
void KQSysEndEntities();
// The handler every primitive gets; none outside start and end.
TPrimitive2DHandler* KQSysPrimitiveHandler();

}  // namespace cad
