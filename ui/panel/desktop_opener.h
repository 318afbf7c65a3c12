// Opening a file or a web address with the desktop's default application,
// with the outcome reported back.
#pragma once

#include <functional>
#include <string>

class DesktopOpener {
public:
    // Called once, on the user-interface thread, with whether the target opened.
    using Finished = std::function<void(bool opened)>;

    virtual ~DesktopOpener() = default;
    virtual void Open(const std::string& target, Finished finished) = 0;

protected:
    DesktopOpener() = default;
    DesktopOpener(const DesktopOpener&) = default;
    DesktopOpener& operator=(const DesktopOpener&) = default;
};

// Runs "xdg-open <target>" without waiting for it: xdg-open ends once it has
// handed the target to an application (or failed to), and its exit status is
// the only report of failure, so finished comes from the event loop when it
// ends, with opened = (exit status 0). When the program can't be started at
// all, finished comes at once with false.
class XdgOpener : public DesktopOpener {
public:
    explicit XdgOpener(std::string program = "xdg-open");
    void Open(const std::string& target, Finished finished) override;

private:
    std::string m_strProgram;
};
