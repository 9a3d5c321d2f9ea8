// OpenGL's numbers for formats, types and targets, from the system's headers (nothing is linked), plus
// the few the headers no longer carry.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

// ATI's 3Dc two-channel compression, dropped from the registry headers.
#ifndef GL_COMPRESSED_LUMINANCE_ALPHA_3DC_ATI
#define GL_COMPRESSED_LUMINANCE_ALPHA_3DC_ATI 0x8837
#endif
