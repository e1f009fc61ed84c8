// Whole-frame and whole-walk results against the golden files that the probe wrote when
// they were last deliberately changed (tests/golden/regenerate.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The path of a file in tests/golden/.
std::string golden(const std::string& name) {
    return QUELLON_SOURCE_DIR "/tests/golden/" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `command` through the shell and returns its stdout.
std::string run(const std::string& command) {
    // Through the shell for the redirection; the command is the test's own.
    std::FILE* pipe = ::popen(command.c_str(), "r");  // NOLINT(cert-env33-c)
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::string out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

// Runs the probe with `args` (and `input` on stdin) and returns its stdout.
std::string probe(const std::string& args, const std::string& inputFile = "") {
    std::string command = std::string(QUELLON_PROBE) + " " + args;
    if (!inputFile.empty()) {
        command += " < " + inputFile;
    }
    return run(command);
}

// The pixels of a PNG file as a decoder that shares no code with the probe reads them.
std::string pixelsOf(const std::string& png) {
    return run("python3 " QUELLON_SOURCE_DIR "/tests/png_decode.py " + png);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

void expectSameLines(const std::string& what, const std::string& expected,
                     const std::string& actual) {
    const auto want = lines(expected);
    const auto got = lines(actual);
    ASSERT_FALSE(want.empty()) << what << ": golden file is empty";
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got[i], want[i]) << what << ", line " << i + 1;
    }
}

// The cases of a golden case file: its lines but the empty ones and the comments.
std::vector<std::string> casesIn(const std::string& file) {
    std::vector<std::string> cases;
    for (std::string& line : lines(readFile(golden(file)))) {
        if (!line.empty() && line[0] != '#') {
            cases.push_back(std::move(line));
        }
    }
    return cases;
}

TEST(GoldenTest, StripsOfEveryKeptViewAreUnchanged) {
    int checked = 0;
    for (const std::string& line : casesIn("cast_cases.txt")) {
        std::istringstream fields(line);
        std::string name;
        std::string args;
        fields >> name;
        std::getline(fields, args);
        expectSameLines(name + " (" + args + ")", readFile(golden(name + ".txt")),
                        probe("cast" + args));
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

TEST(GoldenTest, RayMapsAndTheirStripsCrossingsAreUnchanged) {
    int checked = 0;
    for (const std::string& line : casesIn("map_cases.txt")) {
        std::istringstream fields(line);
        std::string name;
        std::string x;
        std::string y;
        std::string angle;
        std::string width;
        std::string height;
        std::string options;
        fields >> name >> x >> y >> angle >> width >> height;
        std::getline(fields, options);
        const std::string out = ::testing::TempDir() + name + ".png";
        expectSameLines(name, readFile(golden(name + ".txt")),
                        probe("map " + x + " " + y + " " + angle + " " + width + " " + height +
                              " " + out + options));
        const std::string want = pixelsOf(golden(name + ".png"));
        ASSERT_FALSE(want.empty()) << name;
        EXPECT_TRUE(pixelsOf(out) == want) << name << ": the map's pixels changed";
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

TEST(GoldenTest, ScriptedWalkThroughTheLevelIsUnchanged) {
    expectSameLines("walk_tour", readFile(golden("walk_tour.txt")),
                    probe("walk", golden("walk_tour.script")));
}

}  // namespace
