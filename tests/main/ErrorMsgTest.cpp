// ErrorMsg: the text every error box shows.
#include "main/ErrorMsg.h"

#include <gtest/gtest.h>

TEST(ErrorMsg, TextFramesTheMessage) {
    EXPECT_EQ(ErrorMsg("Couldnt Set Display Mode!\n").Text(),
              "Unhandled Exception: Couldnt Set Display Mode!\n\n");
    EXPECT_EQ(ErrorMsg("Unknown BitDepth").Text(), "Unhandled Exception: Unknown BitDepth\n");
}
