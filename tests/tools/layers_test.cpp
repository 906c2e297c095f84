// The layer check (tests/tools/layers.py): the tree's includes and library links go only
// downward; small made-up trees show that every kind of wrong include or link is reported with
// its file and line, and that the check allows exactly the directions of the library order.
#include <gtest/gtest.h>

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kCheck = vtest::SourceDir() + "/tests/tools/layers.py";

// Runs the check over a tree; its exit status, its report in `out`.
int Check(const std::string& source, std::string* out)
{
    return vtest::RunProgram({vtest::Python(), kCheck, "--source", source}, out);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The report without its closing count line.
std::set<std::string> Problems(const std::string& report)
{
    std::set<std::string> problems;
    for (const std::string& line : Lines(report))
        if (line.find(" problem(s); ") == std::string::npos)
            problems.insert(line);
    return problems;
}

// A made-up source tree in a private directory.
class Tree {
public:
    // Writes the file (its folders made first).
    void Write(const std::string& path, const std::string& text)
    {
        std::string full = dir.Path();
        size_t start = 0;
        for (size_t slash; (slash = path.find('/', start)) != std::string::npos;
             start = slash + 1) {
            full = dir.Path() + "/" + path.substr(0, slash);
            ASSERT_TRUE(mkdir(full.c_str(), 0700) == 0 || errno == EEXIST) << full;
        }
        ASSERT_TRUE(vtest::WriteWholeFile(dir.File(path), text)) << path;
    }
    const std::string& Path() const { return dir.Path(); }

private:
    vtest::TempDir dir;
};

// The libraries of the real order, for made-up trees.
const char kLibraries[] = "vortan_library(vortan_engine DIRS engine DEPS Threads::Threads)\n"
                          "vortan_library(vortan_shell DIRS engine/platform engine/graphics\n"
                          "    DEPS vortan_engine)\n"
                          "vortan_library(vortan_sound DIRS VortanSound DEPS vortan_engine)\n"
                          "vortan_library(orlo_xmlloader DIRS xmlloader DEPS vortan_engine)\n"
                          "vortan_library(orlo_platform DIRS platform\n"
                          "    DEPS vortan_shell vortan_sound orlo_xmlloader)\n"
                          "vortan_library(orlo_ui DIRS ui DEPS orlo_platform)\n"
                          "vortan_library(orlo_online DIRS online DEPS orlo_ui)\n"
                          "vortan_library(vex_game DIRS game DEPS orlo_online)\n";

TEST(Layers, TheTreeIncludesAndLinksOnlyDownward)
{
    std::string report;
    EXPECT_EQ(0, Check(vtest::SourceDir(), &report)) << report;
    EXPECT_EQ("", report);
}

// One header per layer folder, each included from a file of every other folder: the check
// must object to exactly the pairs that the library order forbids.
TEST(Layers, AllowsExactlyTheDirectionsOfTheOrder)
{
    // Folder -> the folders its files may include: the engine at the bottom; the shell (two
    // folders), the sound engine and the XML loader wrapper side by side on it; then the
    // platform, the UI toolkit, the online client, the game and the program.
    const std::map<std::string, std::set<std::string>> may = {
        {"engine", {"engine"}},
        {"engine/platform", {"engine", "engine/platform", "engine/graphics"}},
        {"engine/graphics", {"engine", "engine/platform", "engine/graphics"}},
        {"VortanSound", {"engine", "VortanSound"}},
        {"xmlloader", {"engine", "xmlloader"}},
        {"platform",
         {"engine", "engine/platform", "engine/graphics", "VortanSound", "xmlloader", "platform"}},
        {"ui",
         {"engine", "engine/platform", "engine/graphics", "VortanSound", "xmlloader", "platform",
          "ui"}},
        {"online",
         {"engine", "engine/platform", "engine/graphics", "VortanSound", "xmlloader", "platform",
          "ui", "online"}},
        {"game",
         {"engine", "engine/platform", "engine/graphics", "VortanSound", "xmlloader", "platform",
          "ui", "online", "game"}},
        {"program",
         {"engine", "engine/platform", "engine/graphics", "VortanSound", "xmlloader", "platform",
          "ui", "online", "game", "program"}},
    };
    Tree tree;
    tree.Write("CMakeLists.txt", kLibraries);
    for (const auto& folder : may)
        tree.Write(folder.first + "/Header.h", "#pragma once\n");
    // The tests, tools and benchmarks may include anything.
    std::string everything;
    for (const auto& folder : may)
        everything += "#include \"" + folder.first + "/Header.h\"\n";
    tree.Write("tests/area/some_test.cpp", everything);
    tree.Write("tools/tool.cpp", everything);
    tree.Write("bench/some_bench.cpp", everything);

    std::set<std::string> expected;
    for (const auto& from : may) {
        std::string text;
        int line = 0;
        for (const auto& to : may) {
            text += "#include \"" + to.first + "/Header.h\"\n";
            ++line;
            if (!from.second.count(to.first))
                expected.insert(from.first + "/Source.cpp:" + std::to_string(line) + ": " +
                                to.first + "/Header.h");
        }
        tree.Write(from.first + "/Source.cpp", text);
    }
    ASSERT_EQ(49u, expected.size()); // 100 pairs, 51 of them allowed

    std::string report;
    EXPECT_EQ(1, Check(tree.Path(), &report));
    // Reduce each problem to "file:line: included header".
    std::set<std::string> found;
    for (const std::string& problem : Problems(report)) {
        size_t quote = problem.find('"');
        size_t colon = problem.find(": ");
        ASSERT_NE(std::string::npos, quote) << problem;
        found.insert(problem.substr(0, colon + 2) +
                     problem.substr(quote + 1, problem.find('"', quote + 1) - quote - 1));
    }
    EXPECT_EQ(expected, found);
}

TEST(Layers, NamesEveryWrongIncludeAndLinkWithItsLine)
{
    Tree tree;
    tree.Write("CMakeLists.txt", std::string(kLibraries) +
                                     "# orlo_platform DEPS orlo_online in a comment is no link\n"
                                     "vortan_library(orlo_tangled DIRS platform online\n"
                                     "    DEPS vortan_engine)\n");
    tree.Write("cmake/Extra.cmake", "target_link_libraries(vortan_sound PUBLIC vortan_engine)\n"
                                    "\n"
                                    "target_link_libraries(orlo_platform\n"
                                    "    PUBLIC orlo_online)\n"
                                    "target_link_libraries(some_tool PRIVATE vex_game)\n");
    tree.Write("engine/Core.h", "#pragma once\n"
                                "#include <stdio.h>\n"
                                "#include \"engine/platform/Window.h\"\n");
    tree.Write("engine/platform/Window.h", "#pragma once\n"
                                           "#include \"VortanSound/Mixer.h\"\n"
                                           "#include \"../graphics/Surface.h\"\n"
                                           "#include \"Generated.inc\"\n");
    tree.Write("engine/graphics/Surface.h", "#pragma once\n#include \"engine/Core.h\"\n");
    tree.Write("VortanSound/Mixer.h", "#pragma once\n"
                                      "#include \"engine/graphics/Surface.h\"\n"
                                      "#include \"xmlloader/Loader.h\"\n");
    tree.Write("xmlloader/Loader.h", "#pragma once\n"
                                     "#include \"engine/Core.h\"\n"
                                     "#include \"platform/Reader.h\"\n");
    // Comments and string literals hide nothing: an include there is no include.
    tree.Write("platform/App.cpp", "#include \"platform/App.h\"\n"
                                   "// #include \"online/Session.h\"\n"
                                   "/* an old include:\n"
                                   "#include \"online/Session.h\"\n"
                                   "*/\n"
                                   "const char* kText = \"/*\";\n"
                                   "#include \"game/Game.h\" // the one in comments are not\n"
                                   "const char* kRaw = R\"x(\n"
                                   "#include \"online/Session.h\"\n"
                                   ")x\";\n"
                                   "  #  include <online/Session.h>\n"
                                   "#include \"online/Gone.h\"\n"
                                   "#include \"ui/Widget.h\"\n"
                                   "#include \"tests/support/TestSupport.h\"\n");
    tree.Write("platform/App.h", "#pragma once\n#include \"xmlloader/Loader.h\"\n");
    tree.Write("ui/Widget.h", "#pragma once\n#include \"xmlloader/Loader.h\"\n");
    tree.Write("online/Session.h", "#pragma once\n#include \"../game/Game.h\"\n");
    tree.Write("game/Game.h", "#pragma once\n#include \"ui/Widget.h\"\n");
    tree.Write("program/Main.cpp", "#include \"game/Game.h\"\n#include \"engine/Core.h\"\n");
    tree.Write("tests/support/TestSupport.h", "#include \"program/Main.cpp\"\n");
    tree.Write("extras/Helper.cpp", "#include \"engine/Core.h\"\n");
    tree.Write("data/notes.txt", "#include \"game/Game.h\"\n");

    std::string report;
    EXPECT_EQ(1, Check(tree.Path(), &report));
    const std::set<std::string> expected = {
        "engine/Core.h:3: engine must not include \"engine/platform/Window.h\" (shell, a "
        "higher layer)",
        "engine/platform/Window.h:2: shell must not include \"VortanSound/Mixer.h\" (sound, a "
        "sibling layer)",
        "VortanSound/Mixer.h:2: sound must not include \"engine/graphics/Surface.h\" (shell, a "
        "sibling layer)",
        "VortanSound/Mixer.h:3: sound must not include \"xmlloader/Loader.h\" (xmlloader, a "
        "sibling layer)",
        "xmlloader/Loader.h:3: xmlloader must not include \"platform/Reader.h\" (platform, a "
        "higher layer)",
        "platform/App.cpp:7: platform must not include \"game/Game.h\" (game, a higher layer)",
        "platform/App.cpp:11: platform must not include <online/Session.h> (online, a higher "
        "layer)",
        "platform/App.cpp:12: platform must not include \"online/Gone.h\" (online, a higher "
        "layer)",
        "platform/App.cpp:13: platform must not include \"ui/Widget.h\" (ui, a higher layer)",
        "platform/App.cpp:14: platform includes \"tests/support/TestSupport.h\", which is in no "
        "layer",
        "online/Session.h:2: online must not include \"../game/Game.h\" (game, a higher layer)",
        "extras/Helper.cpp:1: not in any layer: add its folder to LAYERS or FREE in "
        "tests/tools/layers.py",
        "CMakeLists.txt:12: library orlo_tangled builds platform, online, not the folders of "
        "one layer",
        "cmake/Extra.cmake:3: library orlo_platform (platform) must not link orlo_online "
        "(online, a higher layer)",
    };
    EXPECT_EQ(expected, Problems(report)) << report;
    EXPECT_NE(std::string::npos, report.find("14 problem(s)"));

    // With the wrong lines taken out the same tree passes.
    tree.Write("CMakeLists.txt", kLibraries);
    tree.Write("cmake/Extra.cmake", "target_link_libraries(vortan_sound PUBLIC vortan_engine)\n");
    tree.Write("engine/Core.h", "#pragma once\n#include <stdio.h>\n");
    tree.Write("engine/platform/Window.h", "#pragma once\n#include \"../graphics/Surface.h\"\n");
    tree.Write("VortanSound/Mixer.h", "#pragma once\n#include \"engine/Core.h\"\n");
    tree.Write("xmlloader/Loader.h", "#pragma once\n#include \"engine/Core.h\"\n");
    tree.Write("platform/App.cpp", "#include \"platform/App.h\"\n"
                                   "// #include \"online/Session.h\"\n");
    tree.Write("online/Session.h", "#pragma once\n#include \"ui/Widget.h\"\n");
    ASSERT_EQ(0, unlink((tree.Path() + "/extras/Helper.cpp").c_str()));
    report.clear();
    EXPECT_EQ(0, Check(tree.Path(), &report));
    EXPECT_EQ("", report);
}

TEST(Layers, CannotRunWithoutATree)
{
    vtest::TempDir empty;
    std::string report;
    EXPECT_EQ(2, Check(empty.File("missing"), &report));
    EXPECT_EQ(2, Check(empty.Path(), &report)); // no CMakeLists.txt
}

} // namespace
