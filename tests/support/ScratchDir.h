// ScratchDir: a fresh, private folder for one test, removed with everything in it.
#pragma once

#include <optional>
#include <string>

#include "WorkingFolder.h"

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Makes the folder the working directory until the ScratchDir is destroyed.
    void Enter();

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
    std::optional<WorkingFolder> entered;
};
