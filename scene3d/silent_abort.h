// The silent abort: where the 3D library cannot go on inside an event (an OpenGL entry point the
// driver lacks, no current rendering context) it logs the reason and unwinds to the event loop with
// EAbort, which nobody shows to the user.
//
// EAbort must never cross a frame that is not ours:
// - At a Qt event handler (a viewer's paint, resize or mouse handler), run the work through
//   CatchSilentAbort: the abort ends the event quietly, any other exception goes on to the caller's
//   own guard.
// - At a C library that calls us back (libGLU's tessellator and NURBS callbacks, OpenGL's debug
//   callback), wrap the callback's body in GuardCallback, which keeps whatever it raised, and make
//   the C call through CallThroughC, which raises it again once the C frames are behind us:
//     CallThroughC([&] { gluTessEndPolygon(tess); });   // callbacks: GuardCallback([&] { ... });
#pragma once

#include <exception>
#include <functional>

namespace scene3d {

// Deliberately outside the platform::Exception tree, so the program's error dialog never sees it.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// Raises EAbort.
[[noreturn]] void SilentAbort();

// Runs `work`; true when it finished, false when it ended in a silent abort.
bool CatchSilentAbort(const std::function<void()>& work);

// Runs a callback body that C code called; an exception it raises is kept for CallThroughC (the
// first one wins) instead of unwinding through the C frames.
void GuardCallback(const std::function<void()>& body) noexcept;

// Makes a call into C code whose callbacks use GuardCallback, then raises what they kept.
void CallThroughC(const std::function<void()>& call);

}  // namespace scene3d
