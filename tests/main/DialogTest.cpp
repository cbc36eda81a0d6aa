// Dialog: where the dialog tools are looked for.
#include "main/Dialog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

// Where the tools are looked for, for a PATH unset, empty, or naming a folder of the test's
// own that holds a tool the system has nowhere.
enum class PathKind { Unset, Empty, Own };

struct PathCase {
    const char* name;
    PathKind path;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.name;
}

class DialogSearch : public testing::TestWithParam<PathCase> {};

// Without a PATH, or with an empty one, the tools are still found where the system keeps
// them (it has /bin/sh), and never in the working folder; a PATH that is set is searched
// alone.
TEST_P(DialogSearch, UsesPathOrTheSystemFolders) {
    const PathKind kind = GetParam().path;
    ScratchDir own;
    const std::string tool = own.File("prismwarp-test-dialog");
    std::ofstream(tool) << "#!/bin/sh\n";
    chmod(tool.c_str(), 0755);
    own.Enter();
    PathFor path(kind == PathKind::Unset   ? std::nullopt
                 : kind == PathKind::Empty ? std::optional<std::string>("")
                                           : std::optional<std::string>(own.Path()));

    const std::string sh = Dialog::Find("sh");
    if (kind == PathKind::Own) {
        EXPECT_EQ(Dialog::SearchPath(), own.Path());
        EXPECT_EQ(sh, "");
        EXPECT_EQ(Dialog::Find("prismwarp-test-dialog"), tool);
    } else {
        ASSERT_GT(sh.size(), 3u) << sh;
        EXPECT_EQ(sh.front(), '/') << sh;
        EXPECT_EQ(sh.substr(sh.size() - 3), "/sh");
        EXPECT_EQ(access(sh.c_str(), X_OK), 0) << sh;
        EXPECT_EQ(Dialog::Find("prismwarp-test-dialog"), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, DialogSearch,
                         testing::Values(PathCase{"Unset", PathKind::Unset},
                                         PathCase{"Empty", PathKind::Empty},
                                         PathCase{"Given", PathKind::Own}),
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
