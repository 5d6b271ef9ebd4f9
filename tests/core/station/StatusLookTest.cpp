#include "station/StatusLook.h"
#include "TestSupport.h"
#include "station/TStation.h"

#include <gtest/gtest.h>

#include <vector>

TEST(StatusLook, PalettesRunToWhite) {
    EXPECT_EQ(ConnectPalette(0), 0x008000u);
    EXPECT_EQ(ConnectPalette(7), 0xFFFFFFu);
    EXPECT_EQ(ConnectPalette(1), 0x249224u); // b = 36: 36, 146, 36
    EXPECT_EQ(RecordPalette(0), 0x0000FFu);
    EXPECT_EQ(RecordPalette(7), 0xFFFFFFu);
}

TEST(StatusLook, PulseBounces) {
    Pulse pulse;
    std::vector<int> steps;
    for (int i = 0; i < 17; ++i)
        steps.push_back(pulse.Next());
    EXPECT_EQ(steps, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2}));
}

TEST(StatusLook, WordsAndColoursByState) {
    Pulse pulse;
    StatusLook look = Show_Status(LINK_STOP, 0, false, false, pulse);
    EXPECT_EQ(look.Word, "Stop");
    EXPECT_EQ(look.Panel, 0xC0C0C0u);
    EXPECT_EQ(look.StatusBack, 0xC0C0C0u);
    EXPECT_EQ(Show_Status(LINK_BUFFERING, 0, false, false, pulse).Word, "Buffering");
    EXPECT_TRUE(Show_Status(LINK_CONNECT, 1, false, false, pulse).KeepsStatusColors);
    look = Show_Status(LINK_ERROR, 0, false, false, pulse);
    EXPECT_EQ(look.Word, "Error");
    EXPECT_EQ(look.Panel, 0x0000FFu);
    EXPECT_EQ(look.Font, 0xFFFFFFu);
    // Online: disk alarm before recording before record error before silence.
    EXPECT_EQ(Show_Status(LINK_ONLINE, 1, true, true, pulse).Word, "LessSize");
    look = Show_Status(LINK_ONLINE, 1, false, true, pulse);
    EXPECT_EQ(look.Word, "Recording");
    EXPECT_TRUE(look.ShowsArrow);
    EXPECT_EQ(look.StatusBack, 0u);
    EXPECT_EQ(Show_Status(LINK_ONLINE, 2, false, true, pulse).Word, "Error");
    look = Show_Status(LINK_ONLINE, 0, true, true, pulse);
    EXPECT_EQ(look.Word, "Silence");
    EXPECT_EQ(look.Panel, 0x00FFFFu);
    EXPECT_EQ(look.Font, 0x0000FFu);
    EXPECT_EQ(Show_Status(LINK_ONLINE, 0, false, false, pulse).Word, "Online");
}
