#include "editing/CutEdits.h"

namespace pellucor {

void CutEdits::Reset(CutList saved)
{
    current_ = saved;
    saved_ = std::move(saved);
    undo_.clear();
    redo_.clear();
}

void CutEdits::Change(CutList next, std::string what, bool continuing)
{
    if (!continuing || undo_.empty())
        undo_.push_back({current_, {}});
    undo_.back().what = std::move(what);
    current_ = std::move(next);
    redo_.clear();
}

bool CutEdits::Undo()
{
    if (undo_.empty())
        return false;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    std::swap(step.other, current_);
    redo_.push_back(std::move(step));
    return true;
}

bool CutEdits::Redo()
{
    if (redo_.empty())
        return false;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    std::swap(step.other, current_);
    undo_.push_back(std::move(step));
    return true;
}

}  // namespace pellucor
