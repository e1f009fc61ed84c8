// The what-if rules: today's rules give the exact frame, each changed rule changes the picture
// as it says, a partial frame is the full one cut short, and bad lists are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "render/frame.h"
#include "render/raycast.h"
#include "render/what_if.h"

namespace quellon {
namespace {

struct View {
    Pose pose;
    int width;
    int height;
};

// Open floor, a wall straight ahead, the grid-line edge case, odd and tiny sizes.
const View kViews[] = {
    {{2.5f, 2.5f, 0.0f}, 307, 285},       {{30.5f, 40.5f, 180.0f}, 640, 480},
    {{2.5f, 11.979991f, 0.0f}, 307, 285}, {{5.2f, 7.7f, -225.25f}, 101, 57},
    {{2.5f, 5.0f, 180.0f}, 300, 200},     {{33.3f, 12.6f, 402.5f}, 17, 9},
    {{60.5f, 62.5f, 270.0f}, 1, 40},      {{12.5f, 17.5f, 40000.0f}, 96, 64},
};

std::string describe(const View& v, std::string_view rules) {
    std::ostringstream out;
    out << "pose " << v.pose.playerX << " " << v.pose.playerY << " " << v.pose.playerAngle << ", "
        << v.width << "x" << v.height << ", rules \"" << rules << "\"";
    return out.str();
}

WhatIfRules rulesOf(std::string_view list) {
    const WhatIfParse parsed = parseWhatIf(list);
    EXPECT_TRUE(parsed.ok()) << list << ": " << parsed.error;
    return parsed.rules;
}

class WhatIfTest : public ::testing::Test {
  protected:
    WhatIfTest() : frm(window, loadCarriedImages()) { frm.startUp(); }

    Scene scene() const { return Scene{frm.pose, frm.worldMap, frm.trig}; }

    std::vector<Strip> exactStrips(const View& v) {
        frm.pose = v.pose;
        std::vector<Strip> out;
        castStrips(static_cast<float>(v.width), static_cast<float>(v.height), scene(),
                   [&](const Strip& s) { out.push_back(s); });
        return out;
    }

    std::vector<Strip> strips(const View& v, const WhatIfRules& rules, int limit = kAllStrips) {
        frm.pose = v.pose;
        std::vector<Strip> out;
        castWhatIfStrips(static_cast<float>(v.width), static_cast<float>(v.height), scene(), rules,
                         out, limit);
        return out;
    }

    // The window's picture through the main window's own hook.
    Surface frame(const View& v, const WhatIfRules* rules, int stripsToDraw = kAllStrips) {
        frm.pose = v.pose;
        window.resize(v.width, v.height);
        frm.setRules(rules != nullptr ? *rules : WhatIfRules{});
        frm.limitStrips(stripsToDraw);
        frm.clear();
        frm.Raycast();
        return window.drawingSurface();
    }

    HeadlessWindow window;
    FrmMain frm;
};

TEST_F(WhatIfTest, TodaysRulesGiveTheExactStripsAndFramePixelForPixel) {
    for (const View& v : kViews) {
        const Surface exact = frame(v, nullptr);
        const std::vector<Strip> expected = exactStrips(v);
        for (const std::string_view list : {"", "fov=60,strip=3", "strip=3,fov=60"}) {
            const WhatIfRules rules = rulesOf(list);
            const std::vector<Strip> got = strips(v, rules);
            ASSERT_EQ(got.size(), expected.size()) << describe(v, list);
            for (std::size_t i = 0; i < got.size(); ++i) {
                ASSERT_TRUE(got[i] == expected[i]) << "strip " << i << ", " << describe(v, list);
            }
            // The what-if path, drawing every strip as one cut short after its last.
            Surface drawn(v.width, v.height);
            FrameDrawer drawer;
            drawer.draw(drawn, Window::kBackground, scene(), frm.holders.picTexture,
                        FrameRules{rules, static_cast<int>(got.size())});
            EXPECT_TRUE(drawn == exact) << describe(v, list);
        }
    }
}

TEST_F(WhatIfTest, APartialFrameIsTheFullFrameCutShortAtItsStrip) {
    for (const std::string_view list : {"", "fisheye,strip=5", "screen-rays,plain-walls,fov=100"}) {
        const WhatIfRules rules = rulesOf(list);
        for (const View& v : kViews) {
            const Surface full = frame(v, list.empty() ? nullptr : &rules);
            const std::vector<Strip> all = strips(v, rules);
            const int count = static_cast<int>(all.size());
            for (const int limit : {0, 1, count / 2, count - 1, count, count + 7}) {
                const Surface partial = frame(v, &rules, limit);
                ASSERT_EQ(frm.frameStrips().size(),
                          static_cast<std::size_t>(std::min(limit, count)));
                const long drawnPx = static_cast<long>(std::min(limit, count)) * rules.stripWidthPx;
                for (int y = 0; y < v.height; ++y) {
                    for (int x = 0; x < v.width; ++x) {
                        ASSERT_EQ(partial.at(x, y), x < drawnPx ? full.at(x, y) : kBlack)
                            << "pixel " << x << "," << y << ", first " << limit << " strips, "
                            << describe(v, list);
                    }
                }
                for (std::size_t i = 0; i < frm.frameStrips().size(); ++i) {
                    ASSERT_TRUE(frm.frameStrips()[i] == all[i]) << "strip " << i;
                }
            }
        }
    }
}

TEST_F(WhatIfTest, FisheyeWallsAreNeverTallerAndShorterOffCentre) {
    for (const View& v : kViews) {
        const std::vector<Strip> corrected = strips(v, WhatIfRules{});
        const std::vector<Strip> fisheye = strips(v, rulesOf("fisheye"));
        ASSERT_EQ(fisheye.size(), corrected.size());
        bool shorter = false;
        for (std::size_t i = 0; i < fisheye.size(); ++i) {
            EXPECT_EQ(fisheye[i].distance, fisheye[i].hit.wallDist) << describe(v, "fisheye");
            EXPECT_LE(fisheye[i].wallHeight, corrected[i].wallHeight)
                << "strip " << i << ", " << describe(v, "fisheye");
            shorter = shorter || fisheye[i].wallHeight < corrected[i].wallHeight;
        }
        EXPECT_TRUE(shorter || v.width < 3 || v.height < 64) << describe(v, "fisheye");
    }
}

TEST_F(WhatIfTest, FieldOfViewAndStripWidthSetTheOffsetsAndColumns) {
    const View v{{30.5f, 40.5f, 180.0f}, 480, 120};  // a multiple of every strip width below
    for (const int fov : {20, 45, 90, 137, 160}) {
        for (const int width : {1, 3, 8, 16}) {
            const std::string list =
                "fov=" + std::to_string(fov) + ",strip=" + std::to_string(width);
            const std::vector<Strip> s = strips(v, rulesOf(list));
            ASSERT_EQ(s.size(), static_cast<std::size_t>(v.width / width + 1)) << list;
            EXPECT_EQ(s.front().rayOffset, std::floor(-fov / 2.0)) << list;
            EXPECT_EQ(s.back().rayOffset, std::floor(fov / 2.0)) << list;
            for (std::size_t i = 0; i < s.size(); ++i) {
                ASSERT_EQ(s[i].stripX, static_cast<int>(i) * width) << list;
                ASSERT_EQ(s[i].rayAngle, std::floor(180.0 + s[i].rayOffset)) << list;
                ASSERT_TRUE(i == 0 || s[i].rayOffset >= s[i - 1].rayOffset) << list;
            }
            // Every column is `width` pixels of one strip's texel.
            const WhatIfRules rules = rulesOf(list);
            const Surface picture = frame(v, &rules);
            for (int y = 0; y < v.height; ++y) {
                for (int x = 0; x < v.width; ++x) {
                    ASSERT_EQ(picture.at(x, y), picture.at(x - x % width, y))
                        << "pixel " << x << "," << y << ", " << list;
                }
            }
        }
    }
}

TEST_F(WhatIfTest, ExactAnglesStepEvenlyAndScreenRaysStepLessTowardsTheEdges) {
    for (const int fov : {20, 60, 160}) {
        const std::string suffix = ",fov=" + std::to_string(fov);
        const View v{{20.25f, 30.75f, -30.0f}, 600, 100};
        const std::vector<Strip> even = strips(v, rulesOf("exact-angles" + suffix));
        const std::vector<Strip> screen = strips(v, rulesOf("screen-rays" + suffix));
        ASSERT_EQ(even.size(), 201u);
        ASSERT_EQ(screen.size(), 201u);
        for (const auto* s : {&even, &screen}) {
            EXPECT_NEAR(s->front().rayOffset, -fov / 2.0, 1e-12) << suffix;
            EXPECT_NEAR(s->back().rayOffset, fov / 2.0, 1e-12) << suffix;
        }
        const double step = fov * 3.0 / 600;
        for (std::size_t i = 1; i < even.size(); ++i) {
            ASSERT_GT(even[i].rayAngle, even[i - 1].rayAngle) << "strip " << i << suffix;
            ASSERT_NEAR(even[i].rayAngle - even[i - 1].rayAngle, step, 1e-9) << suffix;
        }
        const std::size_t last = screen.size() - 1;
        for (std::size_t i = 0; i <= last; ++i) {
            ASSERT_EQ(screen[i].rayOffset, -screen[last - i].rayOffset) << "strip " << i << suffix;
        }
        for (std::size_t i = 1; i < last / 2; ++i) {
            const double outer = screen[i].rayOffset - screen[i - 1].rayOffset;
            const double inner = screen[i + 1].rayOffset - screen[i].rayOffset;
            ASSERT_LT(outer, inner) << "steps at strip " << i << suffix;
        }
    }
}

TEST_F(WhatIfTest, PlainWallsAreTheirCodesColourHalvedWhereTheVerticalWalkWon) {
    const WhatIfRules rules = rulesOf("plain-walls,strip=4");
    int halvedStrips = 0;
    int fullStrips = 0;
    for (const View& v : kViews) {
        const Surface picture = frame(v, &rules);
        for (const Strip& s : frm.frameStrips()) {
            const Colour level = kLevelColours[static_cast<std::size_t>(s.hit.wallCode)];
            const bool halved = s.hit.walk == WalkLines::kVertical;
            (halved ? halvedStrips : fullStrips) += 1;
            const Colour expected =
                halved ? rgb(redOf(level) / 2, greenOf(level) / 2, blueOf(level) / 2) : level;
            for (int y = 0; y < v.height; ++y) {
                const bool wall = y >= s.wallTop && y - s.wallTop < s.wallHeight;
                for (int x = s.stripX; x < std::min(v.width, s.stripX + 4); ++x) {
                    ASSERT_EQ(picture.at(x, y), wall ? expected : kBlack)
                        << "pixel " << x << "," << y << ", " << describe(v, "plain-walls");
                }
            }
        }
    }
    EXPECT_GT(halvedStrips, 0);
    EXPECT_GT(fullStrips, 0);
}

TEST(WhatIfParseTest, ListsAreReadAndBadOnesRefusedInOneLine) {
    const WhatIfRules all = rulesOf("plain-walls,strip=16,fisheye,exact-angles,fov=020");
    EXPECT_TRUE(all.fisheye && all.plainWalls && all.fractionalAngles());
    EXPECT_EQ(all.fieldOfViewDegrees, 20);
    EXPECT_EQ(all.stripWidthPx, 16);
    EXPECT_EQ(whatIfText(all), "fisheye,fov=20,strip=16,exact-angles,plain-walls");
    EXPECT_TRUE(rulesOf(whatIfText(all)) == all);
    EXPECT_TRUE(
        rulesOf("fov=160,screen-rays,strip=1") ==
        (WhatIfRules{
            .fieldOfViewDegrees = 160, .stripWidthPx = 1, .rays = RayDirections::kFlatScreen}));
    struct Case {
        const char* list;
        const char* fragment;
    };
    const Case cases[] = {
        {"fov", "fov must be fov=D, D whole degrees in 20..160, not \"fov\""},
        {"fov=", "20..160"},
        {"fov=19", "20..160"},
        {"fov=161", "20..160"},
        {"fov=+90", "20..160"},
        {"fov=-90", "20..160"},
        {"fov=9x", "20..160"},
        {"fov=60.0", "20..160"},
        {"fov=99999999999", "20..160"},
        {"strip=0", "strip must be strip=N, N whole pixels in 1..16, not \"strip=0\""},
        {"strip=17", "1..16"},
        {"fisheye=1", "fisheye takes no value"},
        {"plain-walls=", "takes no value"},
        {"fisheye,fisheye", "rule fisheye given twice"},
        {"fov=90,strip=4,fov=90", "rule fov given twice"},
        {"exact-angles,screen-rays", "choose one"},
        {",", "an empty rule"},
        {"fisheye,", "an empty rule"},
        {",fisheye", "an empty rule"},
        {"fisheye,,strip=4", "an empty rule"},
        {"Fisheye", "unknown rule \"Fisheye\" (fisheye, fov=D"},
        {" fisheye", "unknown rule"},
        {"fish\neye", "unknown rule \"fish\\x0aeye\""},
        {"=3", "unknown rule"},
    };
    for (const Case& c : cases) {
        const WhatIfParse parsed = parseWhatIf(c.list);
        EXPECT_FALSE(parsed.ok()) << "accepted \"" << c.list << "\"";
        EXPECT_NE(parsed.error.find(c.fragment), std::string::npos)
            << "for \"" << c.list << "\" expected \"" << c.fragment << "\" in \"" << parsed.error
            << "\"";
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
        EXPECT_TRUE(parsed.rules == WhatIfRules{}) << "rules left behind by \"" << c.list << "\"";
    }
}

}  // namespace
}  // namespace quellon
