// The probe's command line and walk scripts, and the probe run as users run it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "formats/bmp.h"
#include "formats/file_io.h"
#include "platform/headless.h"
#include "tools/probe_input.h"

namespace quellon::probe {
namespace {

CommandResult parse(const std::vector<std::string_view>& args) {
    return parseCommand(args);
}

TEST(ProbeInputTest, AcceptsEachCommandWithItsArguments) {
    auto r = parse({"cast", "2.5", "2.5", "0"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.kind, Command::Kind::kCast);
    EXPECT_EQ(r.command.width, 307);
    EXPECT_EQ(r.command.height, 285);
    r = parse({"cast", "0", "64", "-1e6", "1", "16384"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.angle, -1e6f);
    EXPECT_EQ(r.command.width, 1);
    EXPECT_EQ(r.command.height, 16384);
    r = parse({"cast", "2.5", "11.979991", "0"});
    EXPECT_EQ(r.command.y, 11.979991f) << "read as the nearest single";
    r = parse({"frame", "2.5", "2.5", "0", "640", "480", "out.png"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.out, "out.png");
    EXPECT_EQ(r.command.format, FileFormat::kPng);
    EXPECT_EQ(parse({"frame", "2.5", "2.5", "0", "9", "9", "A.BMP"}).command.format,
              FileFormat::kBmp);
    EXPECT_EQ(parse({"frame", "2.5", "2.5", "0", "9", "9", "dir.bmp/x.Png"}).command.format,
              FileFormat::kPng);
    r = parse({"walk"});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.command.x, 2.5f);
    EXPECT_EQ(r.command.angle, 0.0f);
    EXPECT_TRUE(parse({"walk", "30.5", "40.5", "90"}).ok());
    EXPECT_EQ(parse({"--help"}).command.kind, Command::Kind::kHelp);
    r = parse({"map", "2.5", "2.5", "0", "307", "285", "m.png"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.kind, Command::Kind::kMap);
    EXPECT_EQ(r.command.scale, 8);
    EXPECT_EQ(r.command.strip, -1);
    r = parse({"map", "2.5", "2.5", "0", "307", "285", "m.bmp", "--strip", "102", "--scale", "32",
               "--level", "grid.txt"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.strip, 102) << "the last strip of 307 pixels";
    EXPECT_EQ(r.command.scale, 32);
    EXPECT_EQ(r.command.level, "grid.txt");
    EXPECT_TRUE(parse({"walk", "--level", "grid.txt"}).ok());
    r = parse({"map", "2.5", "2.5", "0", "30", "5", "m.png", "--strip", "30", "--what-if",
               "strip=1,fisheye", "--until-strip", "99999999999"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.strip, 30) << "the last of 31 strips one pixel wide";
    ASSERT_TRUE(r.command.whatIf);
    EXPECT_TRUE(r.command.whatIf->fisheye);
    EXPECT_EQ(r.command.untilStrip, kAllStrips) << "more strips than any frame has: all of them";
    r = parse({"frame", "2.5", "2.5", "0", "30", "5", "f.png", "--until-strip", "0"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.command.untilStrip, 0);
    EXPECT_FALSE(r.command.whatIf);
}

TEST(ProbeInputTest, RefusesBadArgumentsWithAReason) {
    struct Case {
        std::vector<std::string_view> args;
        const char* fragment;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"dance"}, "unknown command \"dance\""},
        {{"cast", "2.5", "2.5"}, "got 2 arguments"},
        {{"cast", "2.5", "2.5", "0", "307"}, "got 4 arguments"},
        {{"cast", "2.5", "2.5", "0", "307", "285", "x"}, "got 6 arguments"},
        {{"frame", "2.5", "2.5", "0", "307", "285"}, "got 5 arguments"},
        {{"walk", "2.5"}, "got 1 arguments"},
        {{"cast", "64.001", "2", "0"}, "X must be a number in 0..64"},
        {{"cast", "-0.5", "2", "0"}, "X must be"},
        {{"cast", "2", "nan", "0"}, "Y must be"},
        {{"cast", "2", "2", "inf"}, "ANGLE must be a finite number"},
        {{"cast", "2", "2", "1e39"}, "ANGLE must be"},
        {{"cast", "2", "2", "0x10"}, "ANGLE must be"},
        {{"cast", "2", "2", " 1"}, "ANGLE must be"},
        {{"cast", "2", "2", "1 "}, "ANGLE must be"},
        {{"cast", "2", "2", ""}, "ANGLE must be"},
        {{"cast", "2,5", "2", "0"}, "X must be"},
        {{"cast", "2", "2", "0", "0", "5"}, "WIDTH must be a whole number in 1..16384"},
        {{"cast", "2", "2", "0", "16385", "5"}, "WIDTH must be"},
        {{"cast", "2", "2", "0", "3.0", "5"}, "WIDTH must be"},
        {{"cast", "2", "2", "0", "-3", "5"}, "WIDTH must be"},
        {{"cast", "2", "2", "0", "99999999999999999999", "5"}, "WIDTH must be"},
        {{"cast", "2", "2", "0", "5", "0"}, "HEIGHT must be"},
        {{"frame", "2", "2", "0", "5", "5", ""}, "OUT must name a file"},
        {{"frame", "2", "2", "0", "5", "5", "x.jpg"},
         "OUT must end in .bmp or .png, not \"x.jpg\""},
        {{"frame", "2", "2", "0", "5", "5", "x.png.tmp"}, "OUT must end in .bmp or .png"},
        {{"frame", "2", "2", "0", "5", "5", "png"}, "OUT must end in .bmp or .png"},
        {{"--help", "cast"}, "--help takes no arguments"},
        {{"frame", "2", "2", "0", "5", "5", "x.jpg"}, "OUT must end in .bmp or .png"},
        {{"map", "2", "2", "0", "5", "5", "m.png", "--scale", "0"}, "--scale must be"},
        {{"map", "2", "2", "0", "5", "5", "m.png", "--scale", "33"}, "1..32"},
        {{"map", "2", "2", "0", "6", "5", "m.png", "--strip", "3"}, "0..2"},
        {{"map", "2", "2", "0", "5", "5", "m.png", "--strip", "-1"}, "--strip must be"},
        {{"map", "2", "2", "0", "5", "5", "m.png", "--strip"}, "needs a value"},
        {{"map", "2", "2", "0", "5", "5", "m.png", "--around", "65"}, "1..64"},
        {{"map", "2", "2", "0", "5", "5", "m.png", "--scale", "2", "--scale", "3"}, "twice"},
        {{"cast", "2", "2", "0", "--scale", "2"}, "for map only"},
        {{"cast", "2", "2", "0", "--frobnicate", "2"}, "unknown option"},
        {{"walk", "--level", ""}, "--level must name a file"},
        {{"walk", "--what-if", "fisheye"}, "\"--what-if\" is for cast, frame and map only"},
        {{"cast", "2", "2", "0", "--until-strip", "3"}, "is for frame and map only"},
        {{"cast", "2", "2", "0", "--what-if", "fov=10"}, "--what-if: fov must be"},
        {{"cast", "2", "2", "0", "--what-if", "fisheye", "--what-if", ""}, "given twice"},
        {{"frame", "2", "2", "0", "5", "5", "f.png", "--until-strip", "-1"},
         "--until-strip must be a whole number"},
        {{"map", "2", "2", "0", "30", "5", "m.png", "--strip", "4", "--what-if", "strip=8"},
         "--strip must be a strip of the view, 0..3"},
        {{"map", "2", "2", "0", "30", "5", "m.png", "--until-strip", "2", "--strip", "2"},
         "0..1, not \"2\""},
        {{"map", "2", "2", "0", "30", "5", "m.png", "--strip", "0", "--until-strip", "0"},
         "draws none"},
    };
    for (const Case& c : cases) {
        const CommandResult r = parseCommand(c.args);
        std::string joined;
        for (const auto a : c.args) {
            joined.append(a).append(" ");
        }
        EXPECT_FALSE(r.ok()) << "accepted: " << joined;
        EXPECT_NE(r.error.find(c.fragment), std::string::npos)
            << "for \"" << joined << "\" expected \"" << c.fragment << "\" in \"" << r.error
            << "\"";
    }
}

TEST(ProbeInputTest, WalkScriptsReadCountsAndKeysLineByLine) {
    const auto r =
        parseWalkScript("# a comment\n\n3 up\n  10\tleft comma \r\n0\n5 16 37 period right down\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.steps.size(), 4u);
    EXPECT_EQ(r.steps[0].ticks, 3);
    EXPECT_EQ(r.steps[0].keys, std::vector<int>{38});
    EXPECT_EQ(r.steps[1].ticks, 10);
    EXPECT_EQ(r.steps[1].keys, (std::vector<int>{37, 188}));
    EXPECT_TRUE(r.steps[2].keys.empty());
    EXPECT_EQ(r.steps[3].keys, (std::vector<int>{16, 37, 190, 39, 40}));
    EXPECT_TRUE(parseWalkScript("").ok());
    EXPECT_TRUE(parseWalkScript("1 65535\n").ok());
}

TEST(ProbeInputTest, BadScriptLinesAreNamedByNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"up\n", "line 1: expected a tick count"},
        {"1 up\n\n-3 up\n", "line 3: expected a tick count"},
        {"# x\n1 jump\n", "line 2: unknown key \"jump\""},
        {"1 UP\n", "unknown key \"UP\""},
        {"1 65536\n", "unknown key \"65536\""},
        {"1 -1\n", "unknown key \"-1\""},
        {"100000001 up\n", "expected a tick count in 0..100000000"},
        {"1.5 up\n", "expected a tick count"},
        {"1 up,down\n", "unknown key"},
    };
    for (const auto& [text, fragment] : cases) {
        const auto r = parseWalkScript(text);
        EXPECT_FALSE(r.ok()) << text;
        EXPECT_TRUE(r.steps.empty());
        EXPECT_NE(r.error.find(fragment), std::string::npos)
            << "expected \"" << fragment << "\" in \"" << r.error << "\"";
    }
}

struct ProbeRun {
    int status;
    std::string out;
};

// Runs a command line of the test's own through the shell; stdout is captured, stderr dropped.
ProbeRun runShell(const std::string& commandLine) {
    const std::string command = commandLine + " 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");  // NOLINT(cert-env33-c)
    ProbeRun run{-1, {}};
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ProbeRun runProbe(const std::string& args) {
    return runShell(std::string(QUELLON_PROBE) + " " + args);
}

TEST(ProbeRunTest, BadInputExitsWithTwoAndWritesNothing) {
    const std::string dir = ::testing::TempDir();
    const std::string jpeg = dir + "probe_frame.jpg";
    for (const std::string& args :
         {std::string(), std::string("cast"), std::string("cast 1 2"), std::string("cast 99 2 0"),
          std::string("frame 2.5 2.5 0 10 10 /nonexistent/dir/x.bmp"),
          "frame 2.5 2.5 0 10 10 " + jpeg, std::string("walk 1 2"),
          std::string("walk < /dev/null x")}) {
        const ProbeRun run = runProbe(args);
        EXPECT_EQ(run.status, 2) << "quellon-probe " << args;
        EXPECT_TRUE(run.out.empty()) << "quellon-probe " << args;
    }
    EXPECT_FALSE(std::ifstream(jpeg).good()) << "a frame was written under a name it refused";
    const std::string script = dir + "bad_walk.script";
    std::ofstream(script) << "5 up\n5 sideways\n";
    const ProbeRun bad = runProbe("walk < " + script);
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.out.empty()) << "no pose is printed for a script that has a bad line";
    const ProbeRun help = runProbe("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: quellon-probe cast"), std::string::npos);
}

TEST(ProbeRunTest, WhatIfRulesAndPartialFramesReachTheView) {
    const std::string view = "20.25 30.75 -30 600 400";
    const ProbeRun exact = runProbe("cast " + view);
    EXPECT_EQ(runProbe("cast " + view + " --what-if ''").out, exact.out);
    EXPECT_EQ(runProbe("cast " + view + " --what-if strip=3,fov=60").out, exact.out);
    // Only rules that make offsets fractional print them as fractions.
    const auto offsets = [](const std::string& out) {
        std::string column;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string stripX;
            std::string offset;
            fields >> stripX >> offset;
            column += offset + "\n";
        }
        return column;
    };
    EXPECT_EQ(offsets(runProbe("cast " + view + " --what-if fisheye,fov=90").out).find('.'),
              std::string::npos);
    EXPECT_NE(offsets(runProbe("cast " + view + " --what-if exact-angles").out).find('.'),
              std::string::npos);

    const std::string full = ::testing::TempDir() + "probe_full.bmp";
    const std::string part = ::testing::TempDir() + "probe_part.bmp";
    ASSERT_EQ(runProbe("frame " + view + " " + full + " --what-if strip=7").status, 0);
    ASSERT_EQ(runProbe("frame " + view + " " + part + " --what-if strip=7 --until-strip 40").status,
              0);
    std::string error;
    const auto fullBytes = readFile(full, error);
    const auto partBytes = readFile(part, error);
    ASSERT_TRUE(fullBytes && partBytes) << error;
    const Surface fullView = decodeBmp(*fullBytes).image;
    const Surface partView = decodeBmp(*partBytes).image;
    ASSERT_EQ(partView.width(), 600);
    for (int y = 0; y < partView.height(); ++y) {
        for (int x = 0; x < partView.width(); ++x) {
            ASSERT_EQ(partView.at(x, y), x < 40 * 7 ? fullView.at(x, y) : kBlack)
                << "pixel " << x << "," << y;
        }
    }
}

TEST(ProbeRunTest, FrameFilesHoldTheViewAsTheWindowDrawsIt) {
    const std::string bmpPath = ::testing::TempDir() + "probe_frame.bmp";
    const std::string pngPath = ::testing::TempDir() + "probe_frame.png";
    ASSERT_EQ(runProbe("frame 5.2 7.7 134 101 57 " + bmpPath).status, 0);
    ASSERT_EQ(runProbe("frame 5.2 7.7 134 101 57 " + pngPath).status, 0);
    std::string error;
    const auto bytes = readFile(bmpPath, error);
    ASSERT_TRUE(bytes) << error;
    const BmpResult picture = decodeBmp(*bytes);
    ASSERT_TRUE(picture.ok()) << picture.error;

    HeadlessWindow window;
    window.resize(101, 57);
    FrmMain frm(window, loadCarriedImages());
    frm.startUp();
    frm.pose = Pose{5.2f, 7.7f, 134.0f};
    frm.clear();
    frm.Raycast();
    EXPECT_EQ(picture.image, window.drawingSurface());

    // The PNG as a decoder that shares no code with the probe reads it: the same pixels, in
    // fewer bytes than they take raw.
    const ProbeRun decoded =
        runShell("python3 " QUELLON_SOURCE_DIR "/tests/png_decode.py " + pngPath);
    ASSERT_EQ(decoded.status, 0) << "tests/png_decode.py could not read " << pngPath;
    std::string expected = "P6\n101 57\n255\n";
    for (int y = 0; y < 57; ++y) {
        for (int x = 0; x < 101; ++x) {
            const Colour c = window.drawingSurface().at(x, y);
            expected += {static_cast<char>(redOf(c)), static_cast<char>(greenOf(c)),
                         static_cast<char>(blueOf(c))};
        }
    }
    EXPECT_TRUE(decoded.out == expected) << "the PNG's pixels differ from the view";
    const auto png = readFile(pngPath, error);
    ASSERT_TRUE(png) << error;
    EXPECT_LT(png->size(), 101u * 57u * 3u) << "the PNG is compressed";
}

}  // namespace
}  // namespace quellon::probe
