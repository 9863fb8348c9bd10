// Handing a finished file, or the folder that holds it, to the application the desktop has
// registered for it (xdg-open). This is the program's one way of opening its output: the PDF
// writer's OpenDoc and the print screen both come here.
#pragma once

#include <string>

namespace kaveltar {

enum class ViewerOutcome {
  kOpened,    // the desktop's opener took the file (or is still showing it)
  kNoOpener,  // no xdg-open on the PATH
  kNoViewer,  // the opener found no application for the file, or could not start one
};

// Starts the desktop's opener on `path` in a session of its own, so the viewer outlives the
// program and leaves no process for it to reap. Waits at most `wait_ms` for the opener's
// verdict: an opener that fails within that time means no viewer; one still running then (as
// plain xdg-open is while it shows the file itself) counts as opened.
ViewerOutcome OpenWithDesktopViewer(const std::string& path, int wait_ms = 3000);

}  // namespace kaveltar
