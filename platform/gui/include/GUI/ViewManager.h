#pragma once

#include <Prm/View.h>

// What the viewer shows: which clip and which view. One per process.
class ViewManager
{
public:
    static ViewManager& get();

    // The id of the clip shown (0 before one is chosen; the application
    // also uses reserved ids above every clip's).
    unsigned int currentViewClip() const { return m_clip; }
    // Shows another clip; the GUI's project (GUI::Project) counts as changed.
    void setClipToDisplay(unsigned int clipID);
    Prm::View view() const { return m_view; }
    void setView(const Prm::View& view);

private:
    ViewManager() = default;

    unsigned int m_clip = 0;
    Prm::View m_view{0};
};
