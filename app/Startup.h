#pragma once

#include <vector>

// The command line the toolkit starts with: the program's own arguments, plus "-platform xcb"
// unless the user chose a platform (QT_QPA_PLATFORM or -platform). Lives as long as the
// application object, which keeps references into it.
class TToolkitArguments {
public:
    TToolkitArguments(int argc, char** argv);
    TToolkitArguments(const TToolkitArguments&) = delete;
    TToolkitArguments& operator=(const TToolkitArguments&) = delete;

    int& Count() { return count_; }
    char** Values() { return values_.data(); }

    // When the program will run on X11: true when a display can be reached; otherwise the
    // reason is written to standard error and the result is false.
    bool CheckDisplay() const;

private:
    int count_ = 0;
    std::vector<char*> values_;
    bool needsXDisplay_ = false;
};
