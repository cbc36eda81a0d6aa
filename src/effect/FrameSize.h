// FrameSize: the effect's frame, which every pass draws whole.
#pragma once

// 320 x 240 pixels. The colour cache, the fast passes' state and the picture's part that is
// read have one entry for each.
struct FrameSize {
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    static constexpr int kPixels = kWidth * kHeight;
};
