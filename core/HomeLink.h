// What the settings loading and the start-up need from the main window, without widgets.
#pragma once

// The settings hand-over selects and sets the main window's controls exactly as a
// user would; each call runs the window's own handler before it returns. The first
// call of any of them creates the window (its load handling runs then).
class HomeLink {
public:
    virtual ~HomeLink() = default;
    virtual void EnsureLoaded() = 0;
    virtual void SelectScale(int index) = 0;  // optScale, 1 to 6
    virtual void SelectStraight() = 0;
    virtual void SelectCircle() = 0;
    virtual void SetLength(int inches) = 0;  // udLength's value
};

// Start-up additionally shows the window once the defaults are in place.
class StartupHost : public HomeLink {
public:
    virtual void ShowMainWindow() = 0;
};
