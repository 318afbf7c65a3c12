// One step of the studio's undo history: a score edit, done and undone on
// the document through the window that holds it.
#pragma once

#include <wx/cmdproc.h>

#include <functional>

#include "studio/model/score_edit.h"

namespace studio {

class ScoreCommand : public wxCommand {
public:
    // apply(edit, forward): applies the edit (forward) or takes it back,
    // and lets the views know.
    using Applier = std::function<void(const ScoreEdit& edit, bool forward)>;

    ScoreCommand(ScoreEdit edit, Applier apply)
        : wxCommand(true, wxString::FromUTF8(edit.GetName())), m_edit(std::move(edit)), m_apply(std::move(apply))
    {
    }

    bool Do() override
    {
        m_apply(m_edit, true);
        return true;
    }

    bool Undo() override
    {
        m_apply(m_edit, false);
        return true;
    }

private:
    ScoreEdit m_edit;
    Applier m_apply;
};

}  // namespace studio
