// Loading the pattern library at start-up: how many files are tried, gaps in
// the numbering, the selection rules, the reports to the status bar, and how
// numbered files from several folders combine. Also the folders themselves.

#include "engine/PatternDirs.h"
#include "engine/TSirdPatt.h"
#include "PatternFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using engine::LoadPatterns;
using engine::TSirdPatt;

class RecordingObserver : public engine::PatternLoadObserver {
public:
    void StatusText(const std::string& text) override { texts.push_back(text); }
    void Progress(int percent) override { progress.push_back(percent); }
    void FirstFailure() override { ++failures; }

    std::vector<std::string> texts;
    std::vector<int> progress;
    int failures = 0;
};

// Writes pattern files with the given numbers; each file's mark is its
// number plus offset.
void writeNumbered(const TempDir& dir, const std::set<int>& numbers, int offset = 0)
{
    for (int n : numbers)
        ASSERT_TRUE(writeMarkedGif(dir.file(engine::PatternFileName(n)), n + offset)) << n;
}

std::set<int> range(int from, int to)
{
    std::set<int> s;
    for (int i = from; i < to; ++i)
        s.insert(i);
    return s;
}

std::vector<int> marks(TSirdPatt& library)
{
    std::vector<int> out;
    for (int i = 0; i < library.GetCount(); ++i)
        out.push_back(markOf(library.GetPattern(i)->GetBitmap()));
    return out;
}

std::vector<int> sequence(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i < to; ++i)
        v.push_back(i);
    return v;
}

class PatternLoading : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        files_ = new TempDir;
        writeNumbered(*files_, range(0, 30));
    }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }
    static TempDir* files_; // pat00.gif ... pat29.gif
};

TempDir* PatternLoading::files_ = nullptr;

TEST_F(PatternLoading, CountBelowTwentyStillTriesTwentyFiles)
{
    for (int count : {5, 0, -7, INT_MIN, 20}) {
        auto library = LoadPatterns(nullptr, files_->path(), {files_->path()}, 0, count);
        EXPECT_EQ(marks(*library), sequence(0, 20)) << count;
    }
}

TEST_F(PatternLoading, LargerCountTriesThatManyFiles)
{
    auto library = LoadPatterns(nullptr, files_->path(), {files_->path()}, 0, 25);
    EXPECT_EQ(marks(*library), sequence(0, 25));
}

TEST_F(PatternLoading, SelectionIsAppliedAfterLoading)
{
    auto library = LoadPatterns(nullptr, files_->path(), {files_->path()}, 3, 20);
    EXPECT_EQ(library->GetSelection(), 3);
    EXPECT_EQ(markOf(library->GetBitmap()), 3);

    for (int select : {40, 20, -1}) {
        library = LoadPatterns(nullptr, files_->path(), {files_->path()}, select, 20);
        EXPECT_EQ(library->GetSelection(), 0) << select;
        EXPECT_EQ(markOf(library->GetBitmap()), 0) << select;
    }
    // The last of 25 is within range.
    library = LoadPatterns(nullptr, files_->path(), {files_->path()}, 24, 25);
    EXPECT_EQ(markOf(library->GetBitmap()), 24);
}

TEST_F(PatternLoading, ReportsEachFileAndClearsAtTheEnd)
{
    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, files_->path(), {files_->path()}, 0, 25, &observer);
    ASSERT_EQ(observer.texts.size(), 26u);
    EXPECT_EQ(observer.texts.front(), "Loading Pattern No. 1");
    EXPECT_EQ(observer.texts[9], "Loading Pattern No. 10");
    EXPECT_EQ(observer.texts[24], "Loading Pattern No. 25");
    EXPECT_EQ(observer.texts.back(), "");
    std::vector<int> expected;
    for (int i = 0; i < 25; ++i)
        expected.push_back((i + 1) * 100 / 25);
    expected.push_back(0);
    EXPECT_EQ(observer.progress, expected);
    EXPECT_EQ(observer.failures, 0);
}

TEST_F(PatternLoading, ProgressRoundsDownForCountsThatDoNotDivide)
{
    RecordingObserver observer;
    LoadPatterns(nullptr, files_->path(), {files_->path()}, 0, 23, &observer);
    ASSERT_EQ(observer.progress.size(), 24u);
    EXPECT_EQ(observer.progress[0], 4);   // 100 / 23
    EXPECT_EQ(observer.progress[21], 95); // 2200 / 23
    EXPECT_EQ(observer.progress[22], 100);
}

TEST(PatternLoadingGaps, MissingNumbersAreSkippedAndResetTheSelection)
{
    TempDir dir;
    std::set<int> present = range(0, 20);
    present.erase(5);
    present.erase(12);
    writeNumbered(dir, present);
    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, dir.path(), {dir.path()}, 7, 20, &observer);
    EXPECT_EQ(marks(*library), std::vector<int>(present.begin(), present.end()));
    EXPECT_EQ(observer.failures, 1); // the welcome window closes once
    EXPECT_EQ(library->GetSelection(), 0);
    EXPECT_EQ(markOf(library->GetBitmap()), 0);
    // Every number is still announced.
    EXPECT_EQ(observer.texts.size(), 21u);
}

TEST(PatternLoadingGaps, OnlyTheLastFileMissingStillResetsTheSelection)
{
    TempDir dir;
    writeNumbered(dir, range(0, 19));
    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, dir.path(), {dir.path()}, 10, 20, &observer);
    EXPECT_EQ(library->GetCount(), 19);
    EXPECT_EQ(library->GetSelection(), 0);
    EXPECT_EQ(observer.failures, 1);
}

TEST(PatternLoadingGaps, UnreadableFileCountsAsMissing)
{
    TempDir dir;
    writeNumbered(dir, range(0, 20));
    dir.write("pat03.gif", "GIF89a but nothing after it");
    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, dir.path(), {dir.path()}, 9, 20, &observer);
    EXPECT_EQ(library->GetCount(), 19);
    EXPECT_EQ(markOf(library->GetPattern(3)->GetBitmap()), 4);
    EXPECT_EQ(library->GetSelection(), 0);
    EXPECT_EQ(observer.failures, 1);
}

TEST(PatternLoadingGaps, NoFilesAtAllGiveAnEmptyLibrary)
{
    TempDir dir;
    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, dir.path(), {dir.path(), dir.file("absent")}, 3, 20, &observer);
    EXPECT_EQ(library->GetCount(), 0);
    EXPECT_EQ(library->GetBitmap(), nullptr);
    EXPECT_EQ(library->GetPalette(), nullptr);
    EXPECT_EQ(observer.failures, 1);
    EXPECT_EQ(observer.progress.back(), 0);

    // No folders at all behaves the same.
    library = LoadPatterns(nullptr, "", {}, 0, 20);
    EXPECT_EQ(library->GetCount(), 0);
}

TEST(PatternLoadingGaps, AGarbledCountDoesNotProbeForever)
{
    TempDir dir;
    writeNumbered(dir, {0, 1, 2});
    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, dir.path(), {dir.path()}, 0, INT_MAX, &observer);
    EXPECT_EQ(library->GetCount(), 3);
    EXPECT_EQ(static_cast<int>(observer.texts.size()), engine::kMaxPatternFiles + 1);
    EXPECT_EQ(observer.progress[observer.progress.size() - 2], 100);
}

TEST(PatternLoadingFolders, EachNumberTriesTheFoldersInOrder)
{
    TempDir user;
    TempDir program;
    TempDir installed;
    writeNumbered(program, range(0, 20));
    writeNumbered(user, {3, 20}, 100); // the user's own 3 and an added 20
    user.write("pat04.gif", "broken");   // falls back to the program's 4
    writeNumbered(installed, {5, 21}, 200);

    RecordingObserver observer;
    auto library = LoadPatterns(nullptr, user.path(), {user.path(), program.path(), installed.path()}, 2, 22,
                                &observer);
    std::vector<int> expected = sequence(0, 20);
    expected[3] = 103;
    expected.push_back(120);
    expected.push_back(221);
    EXPECT_EQ(marks(*library), expected);
    EXPECT_EQ(observer.failures, 0);
    EXPECT_EQ(library->GetSelection(), 2);
    EXPECT_EQ(library->GetDirectory(), user.path());
}

TEST(PatternDirsTest, UserFolderFirstThenTheProgramsFolders)
{
    engine::PatternDirs d = engine::MakePatternDirs("/opt/ds/bin", "/x/data", "/home/u");
    EXPECT_EQ(d.userDir, "/x/data/dotscape/sirdspat");
    EXPECT_EQ(d.searchDirs, (std::vector<std::string>{"/x/data/dotscape/sirdspat", "/opt/ds/bin/sirdspat",
                                                      "/opt/ds/share/dotscape/sirdspat"}));

    // A relative XDG_DATA_HOME is invalid and ignored.
    d = engine::MakePatternDirs("/opt/ds/bin/", "data", "/home/u");
    EXPECT_EQ(d.userDir, "/home/u/.local/share/dotscape/sirdspat");
    EXPECT_EQ(d.searchDirs[1], "/opt/ds/bin/sirdspat");
    EXPECT_EQ(d.searchDirs[2], "/opt/ds/share/dotscape/sirdspat");
}

TEST(PatternDirsTest, SameFolderReachedTwoWaysIsListedOnce)
{
    // XDG_DATA_HOME pointing at the install prefix's own share folder.
    engine::PatternDirs d = engine::MakePatternDirs("/p/bin", "/p/bin/../share", "");
    EXPECT_EQ(d.searchDirs, (std::vector<std::string>{"/p/share/dotscape/sirdspat", "/p/bin/sirdspat"}));
}

TEST(PatternDirsTest, WithoutHomeNewPatternsGoBesideTheProgram)
{
    engine::PatternDirs d = engine::MakePatternDirs("/opt/ds/bin", "", "");
    EXPECT_EQ(d.userDir, "/opt/ds/bin/sirdspat");
    EXPECT_EQ(d.searchDirs.size(), 2u);

    d = engine::MakePatternDirs("", "", "");
    EXPECT_TRUE(d.userDir.empty());
    EXPECT_TRUE(d.searchDirs.empty());
}

TEST(PatternDirsTest, ThisProcessFindsItsOwnFolderAndEnvironment)
{
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::equivalent(engine::ExecutableDir(), DOTSCAPE_BIN_DIR, ec)) << engine::ExecutableDir();

    const char* old = std::getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", "/tmp/dotscape-data-test", 1);
    engine::PatternDirs d = engine::DefaultPatternDirs();
    old ? ::setenv("XDG_DATA_HOME", saved.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");

    EXPECT_EQ(d.userDir, "/tmp/dotscape-data-test/dotscape/sirdspat");
    ASSERT_GE(d.searchDirs.size(), 2u);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(d.searchDirs[1]).parent_path(), DOTSCAPE_BIN_DIR, ec));
}

TEST(PatternDirsTest, MakeDirectoriesCreatesParentsAndRefusesFiles)
{
    TempDir dir;
    EXPECT_TRUE(engine::MakeDirectories(dir.file("a/b/c")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b/c")));
    EXPECT_TRUE(engine::MakeDirectories(dir.file("a/b/c"))); // already there
    dir.write("f", "x");
    EXPECT_FALSE(engine::MakeDirectories(dir.file("f")));
    EXPECT_FALSE(engine::MakeDirectories(dir.file("f/sub")));
    EXPECT_FALSE(engine::MakeDirectories(""));
}

TEST(PatternDirsTest, JoinPathAddsOneSlash)
{
    EXPECT_EQ(engine::JoinPath("/a", "b.gif"), "/a/b.gif");
    EXPECT_EQ(engine::JoinPath("/a/", "b.gif"), "/a/b.gif");
    EXPECT_EQ(engine::JoinPath("", "b.gif"), "b.gif");
}

} // namespace

TEST(PatternLoadingChosen, TheChosenPatternIsTheOneTheWholeLibraryWouldMakeCurrent)
{
    // Layouts of numbered files over three folders, each asked for every
    // kind of choice; the reference is the whole library, loaded and
    // selected. Only the chosen file is read, so the library holds one
    // pattern.
    TempDir user, program, installed;
    writeNumbered(program, {0, 1, 2, 3, 4, 5, 6, 7, 9, 12});
    writeNumbered(user, {3, 20}, 100);
    user.write("pat04.gif", "broken"); // the program's 4 stands in
    installed.write("pat05.gif", "broken");
    installed.write("pat09.gif", "GIF89a, and then nothing"); // read, found broken: the whole library decides
    writeNumbered(installed, {21}, 200);
    const std::vector<std::vector<std::string>> searches = {
        {program.path()}, {user.path(), program.path(), installed.path()}, {installed.path()}, {user.path()}};
    const std::optional<int> choices[] = {std::nullopt, 0, 1, 2, 3, 4, 5, 6, 8, 9, 11, 40, -1};
    for (std::size_t s = 0; s < searches.size(); ++s) {
        for (int select : {2, 7}) {
            for (int count : {20, 22}) {
                for (const std::optional<int>& chosen : choices) {
                    auto whole = LoadPatterns(nullptr, user.path(), searches[s], select, count);
                    if (chosen)
                        whole->Select(*chosen);
                    auto one = engine::LoadChosenPattern(user.path(), searches[s], select, count, chosen);
                    const std::string where = "search " + std::to_string(s) + ", select " + std::to_string(select) +
                                              ", count " + std::to_string(count) + ", chosen " +
                                              (chosen ? std::to_string(*chosen) : "none");
                    EXPECT_EQ(markOf(one->GetBitmap()), markOf(whole->GetBitmap())) << where;
                    ASSERT_EQ(one->GetPalette() == nullptr, whole->GetPalette() == nullptr) << where;
                    if (whole->GetPalette()) {
                        EXPECT_TRUE(*one->GetPalette() == *whole->GetPalette()) << where;
                    }
                    if (whole->GetCount() > 0) {
                        EXPECT_EQ(one->GetCount(), 1) << where;
                    }
                }
            }
        }
    }
}
