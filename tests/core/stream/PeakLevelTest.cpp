#include "stream/PcmConverter.h"

#include <gtest/gtest.h>

// The peaks are found in vector lanes; a sample in the odd tail, the most negative
// value and the two channels must each land where they belong.
TEST(PeakLevel, EachChannelKeepsItsOwnPeakWhereverItStands) {
    std::vector<qint16> stereo(2 * 1000 + 2 * 7, 0); // full runs and a tail
    stereo[2 * 500] = 1234;                          // left, in a run
    stereo[stereo.size() - 1] = -32768;              // right, last in the tail
    EXPECT_EQ(PeakLevel(stereo, 2), 1234u | 32768u << 16);

    stereo[stereo.size() - 1] = 0;
    stereo[2 * 3 + 1] = -300;          // right, in the first run
    stereo[stereo.size() - 2] = 32767; // left, in the tail
    EXPECT_EQ(PeakLevel(stereo, 2), 32767u | 300u << 16);

    std::vector<qint16> mono(45, 0);
    mono[44] = -5; // odd index: in stereo it would count as right
    EXPECT_EQ(PeakLevel(mono, 1), 5u | 5u << 16);
    EXPECT_EQ(PeakLevel({}, 2), 0u);
}
