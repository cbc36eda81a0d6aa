// WorkingFolder: a folder made the working directory for one scope.
#pragma once

#include <string>

// Makes a folder the working directory while it lives, then goes back to the one before.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& path);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::string previous;
};
