// Dialog: where the dialog tools are looked for.
#include "main/Dialog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "ScratchDir.h"

namespace {

// Sets PATH for one scope (unsets it for nullopt) and restores it afterwards.
class PathFor {
public:
    explicit PathFor(const std::optional<std::string>& path) {
        if (const char* old = std::getenv("PATH")) previous = old;
        if (path)
            setenv("PATH", path->c_str(), 1);
        else
            unsetenv("PATH");
    }
    ~PathFor() {
        if (previous)
            setenv("PATH", previous->c_str(), 1);
        else
            unsetenv("PATH");
    }

private:
    std::optional<std::string> previous;
};

struct PathCase {
    const char* name;
    std::optional<std::string> path;
    std::string searched;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.name;
}

class DialogSearch : public testing::TestWithParam<PathCase> {};

// Without a PATH the tools are still found where the system keeps them.
TEST_P(DialogSearch, UsesPathOrTheSystemFolders) {
    PathFor path(GetParam().path);
    EXPECT_EQ(Dialog::SearchPath(), GetParam().searched);
}

INSTANTIATE_TEST_SUITE_P(Paths, DialogSearch,
                         testing::Values(PathCase{"Unset", std::nullopt,
                                                  "/usr/local/bin:/usr/bin:/bin"},
                                         PathCase{"Empty", "", "/usr/local/bin:/usr/bin:/bin"},
                                         PathCase{"Given", "/opt/a:/opt/b", "/opt/a:/opt/b"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The first folder holding an executable file of that name wins; files that cannot be
// executed are passed over.
TEST(DialogFind, TakesTheFirstExecutableFile) {
    ScratchDir first, second;
    std::ofstream(first.File("xmessage")) << "#!/bin/sh\n";
    std::ofstream(second.File("xmessage")) << "#!/bin/sh\n";
    chmod(second.File("xmessage").c_str(), 0755);
    PathFor path(first.Path() + ":" + second.Path());
    EXPECT_EQ(Dialog::Find("xmessage"), second.File("xmessage"));
    EXPECT_EQ(Dialog::Find("zenity"), "");
}

} // namespace
