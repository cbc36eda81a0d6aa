// ScratchDir: mkdtemp, chdir and a recursive remove.
#include "ScratchDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

ScratchDir::ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/prismwarp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
    path = name.data();
    previous = std::filesystem::current_path().string();
    std::filesystem::current_path(path);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(path, ignored);
}
