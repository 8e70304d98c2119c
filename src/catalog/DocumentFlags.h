#pragma once
// What the program's documents hold unsaved or under way: the viewer's
// picture, the album, a long run. The discard question reads them.

namespace zv {

struct DocumentFlags {
    bool modified = false;        // the picture changed since it was opened or saved
    bool criticalProcess = false; // a long album or batch run is under way
    bool albumModified = false;
};

} // namespace zv
