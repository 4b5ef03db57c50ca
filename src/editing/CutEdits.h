// The cut list the timing editor is changing: each change kept for Undo and
// Redo, and whether the list differs from the one last loaded or saved.
#pragma once

#include <string>
#include <vector>

#include "core/CutList.h"

namespace pellucor {

class CutEdits {
public:
    // A list as it was loaded or saved: nothing to undo or redo.
    void Reset(CutList saved);
    const CutList& Current() const { return current_; }

    // Makes next the current list; what names the change ("Cut 0:01:00.000
    // to 0:02:00.000") for the Undo and Redo buttons. A continuing change
    // (a handle still being dragged) stays one step with the change before.
    void Change(CutList next, std::string what, bool continuing = false);
    bool Undo();
    bool Redo();
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // What Undo or Redo would take back or make again; "" when nothing.
    std::string UndoWhat() const { return undo_.empty() ? std::string() : undo_.back().what; }
    std::string RedoWhat() const { return redo_.empty() ? std::string() : redo_.back().what; }

    bool Modified() const { return current_.Stretches() != saved_.Stretches(); }
    void MarkSaved() { saved_ = current_; }
    // Back to the list last loaded or saved.
    void Revert() { Reset(saved_); }

private:
    struct Step {
        CutList other;  // the list on the other side of the change
        std::string what;
    };
    CutList current_, saved_;
    std::vector<Step> undo_, redo_;
};

}  // namespace pellucor
