// A dialog that is initialised once, just before it first appears: Show, and
// ShowModal through it, run OnInitDialog the first time, so the controls are
// filled before the window is ever drawn.
#pragma once

#include <wx/dialog.h>

class InitialisingDialog : public wxDialog {
public:
    bool Show(bool show = true) override
    {
        if (show && !m_bInitialised) {
            m_bInitialised = true;
            OnInitDialog();
        }
        return wxDialog::Show(show);
    }

protected:
    virtual bool OnInitDialog() = 0;

private:
    bool m_bInitialised = false;
};
