// Owns the main window for start-up: created on first use, shown once loaded.
#pragma once

#include "core/HomeLink.h"

#include <memory>

class frmHome;

class HomeHost final : public StartupHost {
public:
    HomeHost();
    ~HomeHost() override;
    HomeHost(const HomeHost&) = delete;
    HomeHost& operator=(const HomeHost&) = delete;

    void EnsureLoaded() override;
    void SelectScale(int index) override;
    void SelectStraight() override;
    void SelectCircle() override;
    void SetLength(int inches) override;
    void ShowMainWindow() override;

    // The main window, created on this first access.
    frmHome& Home();

private:
    std::unique_ptr<frmHome> home_;
};
