// The C example in the README is the program examples/minimal.c that the build compiles and
// runs: any edit to one that is not made to the other fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TEST(ReadmeExample, IsTheProgramThatIsBuiltAndRun) {
    const std::string readme = ReadFile(OVILUX_SOURCE_DIR "/README.md");
    const std::string example = ReadFile(OVILUX_SOURCE_DIR "/examples/minimal.c");
    ASSERT_FALSE(readme.empty());
    ASSERT_FALSE(example.empty());
    const std::string opening = "```c\n";
    const size_t start = readme.find(opening);
    ASSERT_NE(start, std::string::npos) << "the README has no C example";
    const size_t end = readme.find("```", start + opening.size());
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(readme.substr(start + opening.size(), end - start - opening.size()), example);
}
