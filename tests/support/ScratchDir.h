// ScratchDir: a private, empty working folder for one test, removed with everything in it.
#pragma once

#include <string>

class ScratchDir {
public:
    // Creates the folder under $TMPDIR (or /tmp) and makes it the working directory.
    ScratchDir();
    // Goes back to the previous working directory and removes the folder.
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path; }

private:
    std::string path;
    std::string previous;
};
