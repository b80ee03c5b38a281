#pragma once
// A station on the command route (active pane -> document -> frame ->
// application). The first station that has a handler for a command runs it
// and decides whether it is enabled; a command no station handles is
// disabled.

#include <string>

struct SCommandState {
    bool bEnabled = true;
    bool bChecked = false;
    std::string strText;  // Windows-1252; empty: the item keeps its own text
};

class CCommandTarget {
public:
    virtual ~CCommandTarget() = default;
    // Runs the command; false when this target has no handler for it.
    virtual bool OnCommand(int nId) = 0;
    // Fills the state; false when this target has no handler for it.
    virtual bool OnUpdateCommand(int nId, SCommandState& state) = 0;
};
