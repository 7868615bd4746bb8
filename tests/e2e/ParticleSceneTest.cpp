#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

// The grid of the particle scene is 4 x 3 cells of 200 pixels, in two alternating shades.
int LitPixelsInCell(const test::Picture& shot, unsigned column, unsigned row) {
    int lit = 0;
    for (unsigned y = row * 200 + 24; y < row * 200 + 200; ++y) {
        for (unsigned x = column * 200; x < column * 200 + 200; ++x) {
            const uint32_t c = shot.Rgb(x, y);
            const unsigned brightest = std::max({(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF});
            lit += brightest > 0x60;
        }
    }
    return lit;
}

TEST(ParticleScene, EveryCellShowsItsEffectWithTheGeneratedSprites) {
    test::TempDir dir;
    const fs::path shot = dir.Path() / "particles.png";
    test::CommandResult run = test::RunCommand(
        test::ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene particles --frames 30" +
        " --user-dir " + test::ShellQuote((dir.Path() / "user").string()) + " --cache-dir " +
        test::ShellQuote((dir.Path() / "cache").string()) +
        " --screenshot 30:" + test::ShellQuote(shot.string()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const test::Picture picture = test::ReadPng(shot);
    ASSERT_EQ(picture.Width, 800u);
    // Cells whose effect is on screen by frame 30: their particles are far brighter than the
    // dark cell shades.
    for (unsigned cell : {1u, 2u, 3u, 4u, 5u, 6u, 11u}) {
        EXPECT_GT(LitPixelsInCell(picture, cell % 4, cell / 4), 30) << "cell " << cell;
    }
}

} // namespace
} // namespace qm
