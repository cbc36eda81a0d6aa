// ErrorMsg: which error a fatal exception stands for, and the text its box shows.
#include "main/ErrorMsg.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

struct Fatal {
    const char* name;
    std::exception_ptr error;
    const char* text; // what the box shows
};

std::ostream& operator<<(std::ostream& out, const Fatal& c) {
    return out << c.name;
}

const Fatal kFatals[] = {
    // The program's own messages, those with a line feed of their own and those without.
    {"OwnWithLineFeed", std::make_exception_ptr(ErrorMsg("Couldnt Set Display Mode!\n")),
     "Unhandled Exception: Couldnt Set Display Mode!\n\n"},
    {"OwnWithout", std::make_exception_ptr(ErrorMsg("Unknown BitDepth")),
     "Unhandled Exception: Unknown BitDepth\n"},
    // Past the window, running out of memory is the effect's, loading or drawing the picture.
    {"OutOfMemory", std::make_exception_ptr(std::bad_alloc()),
     "Unhandled Exception: Unable to Load Image make sure its in the directory!\n\n"},
    // A fault of the program's own, in its own words.
    {"Standard", std::make_exception_ptr(std::runtime_error("vector::at")),
     "Unhandled Exception: vector::at\n\n"},
    {"NoClass", std::make_exception_ptr(42), "Unhandled Exception: Unknown exception\n\n"},
};

class ErrorOf : public testing::TestWithParam<Fatal> {};

TEST_P(ErrorOf, TellsTheErrorInTheBoxsText) {
    EXPECT_EQ(ErrorMsg::Of(GetParam().error).Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Exceptions, ErrorOf, testing::ValuesIn(kFatals),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
