#pragma once
// A scripted answer to the list chooser: opens the request, selects row
// `pick` (or deletes every row when it is negative) and presses "&Ok".

#include "catalog/ListChooser.h"

#include <cstddef>

namespace zvtest {

inline int PickOrDeleteAll(zv::ChooserRequest& request, int pick) {
    zv::ListChooser chooser(request);
    chooser.Open();
    if (pick < 0) {
        while (chooser.RowCount() > 0) {
            chooser.SetSelected(0, true);
            chooser.DeleteSelected();
        }
    } else {
        chooser.SetSelected(std::size_t(pick), true);
    }
    return chooser.Accept(request);
}

// "&Ok" on the rows as the chooser opened them (every eligible picture).
inline int AcceptAsOpened(zv::ChooserRequest& request) {
    zv::ListChooser chooser(request);
    chooser.Open();
    return chooser.Accept(request);
}

} // namespace zvtest
