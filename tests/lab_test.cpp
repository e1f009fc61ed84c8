// The lab's panel driven as the window drives it: picking a strip, painting a cell of the map,
// zooming and saving the grid, changing the picture's rules and stepping through a frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "app/frm_main.h"
#include "formats/file_io.h"
#include "formats/level_text.h"
#include "formats/maze_files.h"
#include "formats/png.h"
#include "lab/lab_panel.h"
#include "platform/headless.h"
#include "render/raycast.h"
#include "render/what_if.h"
#include "world/keys.h"
#include "world/level.h"

namespace quellon {
namespace {

// Saves as quellon-lab does: the maze in its file's own form, under a temporary name first.
bool saveMaze(const std::string& name, const WorldMap& maze, std::string& error) {
    return writeFileAtomically(name, levelFileBytes(name, maze), error);
}

class LabTest : public ::testing::Test {
  protected:
    LabTest() : frm(window, loadCarriedImages()), panel(&saveMaze) {
        panel.saveTo(::testing::TempDir() + "lab_test_level.txt");
        panel.attach(frm);
        frm.startUp();
        frame();
    }

    // One pass's drawing, with the panel drawn as the window does at its refresh.
    void frame() {
        frm.clear();
        frm.Raycast();
        panel.draw(panelSurface);
    }

    // A press on the map at the centre of a cell, as the window hands it over.
    void click(int column, int row) {
        const RayMapView& view = panel.mapView();
        panel.pointer(PointerEvent{PointerEvent::Kind::kPress, PointerEvent::Area::kPanel,
                                   view.originX + column * view.scale + view.scale / 2,
                                   view.originY - row * view.scale - view.scale / 2 - 1});
    }

    HeadlessWindow window;
    FrmMain frm;
    LabPanel panel;
    Surface panelSurface{LabPanel::kWidthPx, kOpeningHeightPx};
};

TEST_F(LabTest, PaintingACellChangesTheStripsAsIfTheLevelHadIt) {
    const std::vector<Strip> before = frm.frameStrips();
    ASSERT_EQ(before[52].hit.wallDist, 9.5f);
    click(2, 6);
    ASSERT_EQ(frm.worldMap(2, 6), 1) << "open floor becomes the first wall code";
    frame();

    WorldMap painted = frm.worldMap;
    std::vector<Strip> expected;
    castStrips(307, 285, Scene{frm.pose, painted, frm.trig},
               [&](const Strip& s) { expected.push_back(s); });
    ASSERT_EQ(frm.frameStrips().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(frm.frameStrips()[i].hit.wallDist, expected[i].hit.wallDist) << "strip " << i;
        EXPECT_EQ(frm.frameStrips()[i].hit.wallCode, expected[i].hit.wallCode) << "strip " << i;
        EXPECT_EQ(frm.frameStrips()[i].wallTop, expected[i].wallTop) << "strip " << i;
    }
    EXPECT_EQ(frm.frameStrips()[52].hit.wallDist, 3.5f) << "the centre ray now stops at row 6";
    EXPECT_EQ(frm.frameStrips()[52].hit.wallCode, 1);

    // Five more clicks go through the other wall codes and back to open floor.
    for (int code = 2; code <= kLastWallCode; ++code) {
        click(2, 6);
        EXPECT_EQ(frm.worldMap(2, 6), code);
    }
    click(2, 6);
    EXPECT_EQ(frm.worldMap(2, 6), kOpenFloor);
}

TEST_F(LabTest, TheOuterRingAndThePlayersCellCannotBePainted) {
    const WorldMap level = frm.worldMap;
    for (const auto& [column, row] : {std::pair{0, 5}, {63, 20}, {10, 0}, {30, 63}}) {
        EXPECT_FALSE(panel.paint(column, row)) << column << "," << row;
    }
    EXPECT_NE(panel.status().find("outer ring"), std::string::npos) << panel.status();
    EXPECT_FALSE(panel.paint(2, 2));
    EXPECT_NE(panel.status().find("player"), std::string::npos) << panel.status();
    EXPECT_FALSE(panel.paint(-1, 5));
    EXPECT_FALSE(panel.paint(5, 64));
    EXPECT_EQ(frm.worldMap, level);
    // A player walled in on every side still sees a picture.
    for (const auto& [column, row] : {std::pair{1, 2}, {3, 2}, {2, 1}, {2, 3}}) {
        while (frm.worldMap(column, row) == kOpenFloor) {
            panel.paint(column, row);
        }
    }
    frame();
    EXPECT_EQ(frm.frameStrips().size(), 103u);
}

TEST_F(LabTest, PickingZoomingAndSavingTheGrid) {
    panel.pointer(PointerEvent{PointerEvent::Kind::kMove, PointerEvent::Area::kView, 160, 40});
    EXPECT_EQ(panel.pickedStrip(), 53);
    frame();
    EXPECT_FALSE(frm.frameTrace().reads.empty()) << "the picked strip's walks are traced";
    panel.pointer(PointerEvent{PointerEvent::Kind::kMove, PointerEvent::Area::kView, 5000, 40});
    EXPECT_EQ(panel.pickedStrip(), 53) << "beyond the last strip the pick stays";
    // The pick is the strip under the pointer whatever the strips' width: W with the pointer
    // still picks the strip now under it, and its walks are the ones traced.
    for (const auto& [presses, strip] : {std::pair{1, 40}, {3, 10}}) {
        for (int i = 0; i < presses; ++i) {
            panel.command(LabPanel::kStripWidthKey, 0);
        }
        frame();
        EXPECT_EQ(panel.pickedStrip(), strip) << whatIfText(panel.rules());
        EXPECT_EQ(frm.frameTrace().strip, strip) << whatIfText(panel.rules());
        EXPECT_EQ(panel.readout()[0].rfind("strip " + std::to_string(strip) + " at x ", 0), 0u)
            << panel.readout()[0];
    }
    panel.setRules(WhatIfRules{});
    // Names too long for a line are shortened in the middle; characters the font lacks are '?'.
    panel.report("Opened été.txt");
    frame();
    EXPECT_EQ(panel.readout()[6], "Opened ?t?.txt");
    panel.saveTo("/" + std::string(80, 'd') + "/maze.txt");
    EXPECT_NE(panel.status().find("...d"), std::string::npos) << panel.status();
    EXPECT_NE(panel.status().find("/maze.txt"), std::string::npos) << panel.status();
    EXPECT_LE(panel.status().size(), 50u) << panel.status();
    panel.saveTo(::testing::TempDir() + "lab_test_level.txt");

    for (int i = 0; i < 20; ++i) {
        panel.zoom(1);
    }
    EXPECT_EQ(panel.scale(), kMaxMapScale);
    panel.pointer(PointerEvent{PointerEvent::Kind::kWheel, PointerEvent::Area::kPanel, 0, 0, -40});
    EXPECT_EQ(panel.scale(), kMinMapScale);

    panel.paint(30, 30);
    panel.command(LabPanel::kSaveKey, 0);
    const ImageResult grid = readLevelFile(::testing::TempDir() + "lab_test_level.txt");
    ASSERT_TRUE(grid.ok()) << grid.error << "; " << panel.status();
    WorldMap saved;
    scanLevel(saved, grid.image);
    EXPECT_EQ(saved, frm.worldMap) << "the saved grid reads back as the painted one";
    EXPECT_EQ(saved(30, 30), 1);

    LabPanel unwritable(&saveMaze);
    unwritable.saveTo("/nonexistent/dir/level.txt");
    unwritable.attach(frm);
    EXPECT_FALSE(unwritable.save());
    EXPECT_NE(unwritable.status().find("cannot write"), std::string::npos) << unwritable.status();
}

// Opens as quellon-lab does: the maze, and where S keeps it.
bool openMaze(const std::string& name, Surface& image, std::string& saveName, std::string& error) {
    ImageResult level = readLevelFile(name);
    error = level.error;
    saveName = level.ok() ? saveNameFor(name, level) : "";
    image = std::move(level.image);
    return level.ok();
}

TEST_F(LabTest, ADroppedMazeOpensAndABadOneLeavesTheMazeAsItWas) {
    LabPanel lab(&saveMaze, &openMaze);
    lab.attach(frm);
    WorldMap walled = frm.worldMap;
    walled.set(2, 6, 3);
    const std::string path = ::testing::TempDir() + "dropped.png";
    ASSERT_TRUE(saveMaze(path, walled, *std::make_unique<std::string>()));
    frm.pose = Pose{30.5f, 40.5f, 90.0f};
    lab.fileDropped(path);
    EXPECT_EQ(frm.worldMap, walled);
    EXPECT_EQ(frm.pose.playerX, kStartX) << "the player starts again where they always do";
    EXPECT_EQ(lab.saveName(), path) << "S saves to the file opened";

    const WorldMap before = frm.worldMap;
    lab.fileDropped(::testing::TempDir() + "no such maze.txt");
    EXPECT_EQ(frm.worldMap, before);
    EXPECT_NE(lab.status().find("no such maze.txt: cannot open it"), std::string::npos)
        << lab.status();
    EXPECT_EQ(lab.saveName(), path);
}

// A picture with colours beyond the level's six opens by the reading rule, and S keeps the maze
// beside it: the picture itself is never written over.
TEST_F(LabTest, SavingAManyColouredPictureLeavesItUntouched) {
    LabPanel lab(&saveMaze, &openMaze);
    lab.attach(frm);
    Surface picture = levelImageOf(frm.worldMap);
    picture.set(30, 30, rgb(250, 251, 252));  // no level colour: the cell above's code
    const std::string path = ::testing::TempDir() + "photo.png";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, encodePng(picture), error)) << error;
    const auto before = readFile(path, error);
    lab.fileDropped(path);
    const std::string beside = ::testing::TempDir() + "photo-maze.png";
    EXPECT_EQ(lab.saveName(), beside) << lab.status();
    EXPECT_NE(lab.status().find(beside), std::string::npos) << lab.status();
    ASSERT_TRUE(lab.save()) << lab.status();
    EXPECT_EQ(readFile(path, error), before) << "the picture is as it was";
    ASSERT_TRUE(readLevelFile(beside).ok());
    EXPECT_TRUE(readLevelFile(beside).rewritable) << "the maze saved beside is kept in place";
    (void)std::remove(beside.c_str());
}

TEST_F(LabTest, KeysChangeOneRuleAtATimeAndTheFrameFollowsThem) {
    const auto press = [&](int key, int shift = 0) {
        panel.command(key, shift);
        frame();
    };
    const auto framed = [&](const WhatIfRules& rules) {
        std::vector<Strip> strips;
        castWhatIfStrips(307, 285, Scene{frm.pose, frm.worldMap, frm.trig}, rules, strips);
        return strips == frm.frameStrips();
    };
    press(LabPanel::kFisheyeKey);
    EXPECT_TRUE(framed(parseWhatIf("fisheye").rules));
    press(LabPanel::kExactAnglesKey);
    press(LabPanel::kScreenRaysKey);
    EXPECT_EQ(whatIfText(panel.rules()), "fisheye,screen-rays") << "one way of aiming at a time";
    press(LabPanel::kScreenRaysKey);
    press(LabPanel::kFisheyeKey);
    for (const auto& [key, presses, expected] :
         {std::tuple{LabPanel::kStripWidthKey, 2, "strip=6"},
          std::tuple{LabPanel::kStripWidthKey, 3, "strip=1"},
          std::tuple{LabPanel::kFieldOfViewKey, 1, "fov=75,strip=1"},
          std::tuple{LabPanel::kTexturesKey, 1, "fov=75,strip=1,plain-walls"}}) {
        for (int i = 0; i < presses; ++i) {
            press(key);
        }
        EXPECT_EQ(whatIfText(panel.rules()), expected);
    }
    EXPECT_TRUE(framed(panel.rules())) << "the map's rays are the what-if frame's";
    for (const std::string& line : panel.readout()) {
        EXPECT_LE(line.size(), 50u) << "\"" << line << "\" runs past the panel";
    }
}

TEST_F(LabTest, SteppingPausesTheWorldAndAddsOneStripAtATime) {
    frm.pose = Pose{2.5f, 11.999999f, 0.0f};  // against a wall: distances of a few millionths
    frame();
    panel.pick(160);
    frame();
    // Numbers with the digits a person reads, so that the line fits the panel.
    EXPECT_EQ(panel.readout()[1], "wall 9.537e-07 away, corrected 9.535e-07");

    panel.command(LabPanel::kStepKey, 0);
    frm.keyState[vk::kUp] = kTrue;
    frm.GameCode();
    EXPECT_EQ(frm.pose.playerY, 11.999999f) << "a paused world stays where it is";
    frame();
    EXPECT_TRUE(frm.frameStrips().empty());
    for (int i = 0; i < 10; ++i) {
        panel.command(LabPanel::kNextStripKey, 0);
    }
    frame();
    ASSERT_EQ(frm.frameStrips().size(), 10u);
    EXPECT_EQ(panel.pickedStrip(), 9) << "the map marks the crossings of the strip just added";
    // Only the first ten columns are drawn: the rest of the view is background.
    HeadlessWindow whole;
    FrmMain exact(whole, loadCarriedImages());
    exact.startUp();
    exact.pose = frm.pose;
    exact.clear();
    exact.Raycast();
    for (int y = 0; y < 285; ++y) {
        for (int x = 0; x < 307; ++x) {
            ASSERT_EQ(window.drawingSurface().at(x, y),
                      x < 10 * kStripWidthPx ? whole.drawingSurface().at(x, y) : kBlack)
                << x << "," << y;
        }
    }
    panel.command(LabPanel::kNextStripKey, kShiftMask);
    frame();
    EXPECT_EQ(frm.frameStrips().size(), 103u) << "Shift+N finishes the frame";
    panel.command(LabPanel::kStepKey, 0);
    frm.keyState[vk::kUp] = kFalse;
    frm.keyState[vk::kDown] = kTrue;
    frm.GameCode();
    EXPECT_LT(frm.pose.playerY, 11.999999f) << "Space again lets the world go on";
}

// Every backend's pixel format gets the same picture: the exact view, a what-if frame, the rate
// text, the map and the readout, drawn straight in the words of X11's, Windows' and the page's
// memory, read back as the colours drawn in the program's own.
TEST_F(LabTest, EveryPixelFormatGetsTheSamePicture) {
    for (const char* rules : {"", "fisheye,plain-walls,strip=5"}) {
        std::vector<std::pair<Surface, Surface>> pictures;
        for (const PixelFormat format :
             {PixelFormat::kXbgr, PixelFormat::kXrgb, PixelFormat::kAbgr}) {
            HeadlessWindow shown(kOpeningWidthPx, kOpeningHeightPx, format);
            FrmMain main(shown, loadCarriedImages());
            LabPanel lab(&saveMaze);
            lab.attach(main);
            main.startUp();
            lab.setRules(parseWhatIf(rules).rules);
            lab.pick(160);
            Surface map(LabPanel::kWidthPx, kOpeningHeightPx, kBlack, format);
            for (int pass = 0; pass < 2; ++pass) {  // the second with the picked strip traced
                main.clear();
                main.Raycast();
                shown.print("167 fps");
                lab.draw(map);
            }
            pictures.emplace_back(shown.drawingSurface(), map);
        }
        const auto& [view, map] = pictures.front();
        for (std::size_t f = 1; f < pictures.size(); ++f) {
            for (const auto& [expected, drawn] :
                 {std::pair{&view, &pictures[f].first}, std::pair{&map, &pictures[f].second}}) {
                ASSERT_EQ(drawn->width(), expected->width());
                for (int y = 0; y < expected->height(); ++y) {
                    for (int x = 0; x < expected->width(); ++x) {
                        ASSERT_EQ(GetPixel(*drawn, x, y), GetPixel(*expected, x, y))
                            << "format " << f << ", rules \"" << rules << "\", pixel " << x << ","
                            << y;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace quellon
