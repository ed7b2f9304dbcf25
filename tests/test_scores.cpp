// The high-score table's file: kept in the data folder, whole through failures and kills, shared by copies at once.
#include "desktop_support.h"

#include "desktop/files.h"

using namespace desktoptest;

namespace {



// A save of the high scores stopped on its way: while armed, every write, fsync and renameat made
// on the arming thread is logged as a step, and step `at` fails with EIO or kills the process
// just before it is made. Each write may also be cut short, as a full disk or a signal cuts it.
struct Trap {
    bool armed = false;
    pthread_t thread;
    int at = INT_MAX;             // the step that fails or kills; INT_MAX: none, only log
    bool kills = false;           // SIGKILL rather than EIO
    size_t writeMost = 0;         // non-zero: each write writes at most this many bytes
    std::vector<std::string> log; // "write", "fsync file", "fsync folder", "rename"
};
Trap trap;

void Arm(int at, bool kills = false)
{
    trap = Trap();
    trap.armed = true;
    trap.thread = pthread_self();
    trap.at = at;
    trap.kills = kills;
    trap.writeMost = 8;
}

// A copy of the game saving one score, as a process of its own: the test program started again
// with SEVENFOLD_TEST_SAVE set saves those points on that date, once the descriptor in
// SEVENFOLD_TEST_GO (if any) reads its end, with the trap set to kill it at the step in
// SEVENFOLD_TEST_KILL_AT (if any), and ends before anything else runs. A child forked from the test
// itself would share its other threads' locks (SDL's audio thread, the sanitizers' allocator)
// caught at the fork; it saves itself only where the program cannot be started again (under an
// emulator without binfmt).
int SaveAsAChild()
{
    const char *points = getenv("SEVENFOLD_TEST_SAVE"), *go = getenv("SEVENFOLD_TEST_GO"),
               *killAt = getenv("SEVENFOLD_TEST_KILL_AT");
    if (points == nullptr)
        return 0;
    char byte;
    while (go != nullptr && read(atoi(go), &byte, 1) < 0 && errno == EINTR) {
    }
    if (killAt != nullptr)
        Arm(atoi(killAt), true);
    const char *date = points + strcspn(points, " ") + 1;
    _exit(SaveScore((Uint32)strtoul(points, nullptr, 10), date, nullptr) >= 0 ? 0 : 1);
}
const int savedAsAChild = SaveAsAChild();

// Starts such a copy: "POINTS DATE", the pipe whose end it waits for or null, the step it dies at
// or -1.
pid_t SaveInAChild(const std::string &pointsAndDate, const int *go, int killAt)
{
    setenv("SEVENFOLD_TEST_SAVE", pointsAndDate.c_str(), 1);
    if (go != nullptr)
        setenv("SEVENFOLD_TEST_GO", std::to_string(go[0]).c_str(), 1);
    if (killAt >= 0)
        setenv("SEVENFOLD_TEST_KILL_AT", std::to_string(killAt).c_str(), 1);
    char self[] = "/proc/self/exe";
    char *argv[] = {self, nullptr};
    pid_t child = fork();
    if (child == 0) {
        execv(self, argv);
        if (go != nullptr)
            close(go[1]); // the exec would have; kept, the copy waits for itself forever
        SaveAsAChild();
    }
    for (const char *name : {"SEVENFOLD_TEST_SAVE", "SEVENFOLD_TEST_GO", "SEVENFOLD_TEST_KILL_AT"})
        unsetenv(name);
    return child;
}

bool Sprung(int fd, const char *call)
{
    if (!trap.armed || !pthread_equal(trap.thread, pthread_self()))
        return false;
    struct stat st;
    std::string step = call;
    if (step == "fsync")
        step += fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? " folder" : " file";
    trap.log.push_back(step);
    if ((int)trap.log.size() - 1 != trap.at)
        return false;
    if (trap.kills)
        kill(getpid(), SIGKILL);
    errno = EIO;
    return true;
}

class DesktopScores : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *was = getenv("XDG_DATA_HOME");
        hadData_ = was != nullptr;
        wasData_ = was != nullptr ? was : "";
        data_ = fs::current_path() / (std::string("xdg-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(data_);
        fs::create_directories(data_);
        setenv("XDG_DATA_HOME", data_.c_str(), 1);
        folder_ = data_ / "sevenfold";
    }
    void TearDown() override
    {
        trap = Trap();
        if (hadData_)
            setenv("XDG_DATA_HOME", wasData_.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        fs::remove_all(data_);
    }

    void Put(const std::string &text, const std::string &name = "scores")
    {
        fs::create_directories(folder_);
        std::ofstream(folder_ / name, std::ios::binary).write(text.data(), (std::streamsize)text.size());
    }
    std::string Text(const std::string &name = "scores") { return FileText(folder_ / name); }
    static std::string Aside(size_t i) { return i == 0 ? "scores.bad" : "scores.bad." + std::to_string(i); }
    std::vector<std::string> Temporaries()
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(folder_))
            if (e.path().filename().string().rfind("scores.tmp.", 0) == 0)
                names.push_back(e.path().filename().string());
        return names;
    }
    // What the code said on standard error while it ran.
    template <class Code>
    static std::string Said(Code code)
    {
        ::testing::internal::CaptureStderr();
        code();
        return ::testing::internal::GetCapturedStderr();
    }
    static void ExpectOneLine(const std::string &said, const std::string &naming)
    {
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(said.rfind("sevenfold: ", 0), 0u) << said;
        EXPECT_NE(said.find(naming), std::string::npos) << said;
    }

    fs::path data_, folder_;

private:
    bool hadData_ = false;
    std::string wasData_;
};

TEST_F(DesktopScores, KeptInTheDataFolderBestFirstTenAtMost)
{
    char path[PATH_MAX];
    ASSERT_TRUE(ScoresPath(path, sizeof path));
    EXPECT_EQ(std::string(path), (folder_ / "scores").string());
    const char *wasHome = getenv("HOME");
    const std::string home = wasHome != nullptr ? wasHome : "";
    setenv("XDG_DATA_HOME", "relative/data", 1); // not absolute: ignored
    setenv("HOME", "/home/player", 1);
    ASSERT_TRUE(ScoresFolder(path, sizeof path));
    EXPECT_STREQ(path, "/home/player/.local/share/sevenfold");
    setenv("XDG_DATA_HOME", ("/" + std::string(PATH_MAX, 'x')).c_str(), 1); // no path can reach it
    ASSERT_TRUE(ScoresFolder(path, sizeof path));
    EXPECT_STREQ(path, "/home/player/.local/share/sevenfold");
    setenv("HOME", "player", 1); // nor a relative HOME: the password file's
    ASSERT_TRUE(ScoresFolder(path, sizeof path));
    EXPECT_EQ(std::string(path), std::string(getpwuid(getuid())->pw_dir) + "/.local/share/sevenfold");
    if (wasHome != nullptr)
        setenv("HOME", home.c_str(), 1);
    else
        unsetenv("HOME");
    setenv("XDG_DATA_HOME", data_.c_str(), 1);

    // A first start: no folder, an empty table, and reading makes nothing.
    ScoreTable scores;
    EXPECT_FALSE(fs::is_directory(folder_));
    EXPECT_EQ(ReadScores(&scores), 1);
    EXPECT_EQ(scores.count, 0);
    EXPECT_FALSE(fs::exists(folder_));

    EXPECT_EQ(SaveScore(300, "2025-01-02", &scores), 0);
    EXPECT_TRUE(fs::is_directory(folder_));
    EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all) << "made 0700";
    EXPECT_EQ(SaveScore(500, "2025-01-03", nullptr), 0);
    EXPECT_EQ(SaveScore(300, "2025-01-04", &scores), 2) << "below the earlier equal score";
    ASSERT_EQ(scores.count, 3);
    EXPECT_STREQ(scores.entries[1].date, "2025-01-02");
    for (Uint32 points = 10; points <= 70; points += 10)
        SaveScore(points, "2025-01-05", nullptr);
    const std::string full = Text();
    const std::string top = "500 2025-01-03\n300 2025-01-02\n300 2025-01-04\n70 2025-01-05\n";
    EXPECT_EQ(full.substr(0, top.size()), top);
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 10);
    EXPECT_EQ(SaveScore(10, "2025-01-06", &scores), SCORE_BELOW_TABLE) << "the ten already there stay";
    EXPECT_EQ(Text(), full);
    EXPECT_EQ(scores.count, 10);
    EXPECT_EQ(SaveScore(4294967295u, "2025-12-31", &scores), 0);
    EXPECT_EQ(Text().substr(0, 22), "4294967295 2025-12-31\n");
    ASSERT_EQ(scores.count, 10);
    EXPECT_EQ(scores.entries[9].points, 20u) << "the lowest went";
    int rank = 0;
    ExpectOneLine(Said([&] { rank = SaveScore(5, "2025-13-01", nullptr); }), "2025-13-01");
    EXPECT_EQ(rank, SCORE_NOT_SAVED) << "no such month";

    // What a player's hand may leave and is still a table: leading zeros, no last newline, the
    // largest score, line ends of another system, spaces at a line's end, blank lines, nothing
    // at all, and a file of exactly 64 KiB.
    Put("4294967295 2024-02-29\n0500 2024-12-31\n0 2024-01-01");
    ASSERT_EQ(ReadScores(&scores), 1);
    ASSERT_EQ(scores.count, 3);
    Put("4294967295 2024-02-29 \t\r\n\n0500 2024-12-31\r\n0 2024-01-01\r\n \r\n");
    ASSERT_EQ(ReadScores(&scores), 1);
    ASSERT_EQ(scores.count, 3);
    EXPECT_EQ(scores.entries[0].points, 4294967295u);
    EXPECT_EQ(scores.entries[1].points, 500u);
    EXPECT_STREQ(scores.entries[2].date, "2024-01-01");
    Put("");
    EXPECT_EQ(ReadScores(&scores), 1);
    EXPECT_EQ(scores.count, 0);
    Put(std::string(65536 - 13, '0') + "7 2024-01-01\n");
    EXPECT_EQ(ReadScores(&scores), 1);
    ASSERT_EQ(scores.count, 1);
    EXPECT_EQ(scores.entries[0].points, 7u);
    EXPECT_FALSE(fs::exists(folder_ / "scores.bad"));

    // A table linked to a file elsewhere is saved into that file, in its own folder; the link stays.
    fs::create_directories(data_ / "synced");
    fs::remove(folder_ / "scores");
    fs::create_symlink("../synced/table", folder_ / "scores");
    EXPECT_EQ(SaveScore(40, "2025-01-07", nullptr), 0);
    EXPECT_EQ(SaveScore(60, "2025-01-08", nullptr), 0);
    EXPECT_TRUE(fs::is_symlink(folder_ / "scores"));
    EXPECT_EQ(Text("../synced/table"), "60 2025-01-08\n40 2025-01-07\n");
}

TEST_F(DesktopScores, AFileThatIsNotATableIsKeptAsideAndANewOneBegins)
{
    std::string eleven;
    for (int i = 0; i < 11; i++)
        eleven += "100 2024-01-01\n";
    const std::string cases[] = {
        std::string("\x7f" "ELF\x02\x01\x01\0\0\0\xff", 11), // binary
        "500 2024-01-01\nhello\n",                           // a bad line
        "4294967296 2024-01-01\n",                           // beyond 32 bits
        "+500 2024-01-01\n", "500 2024-13-01\n", "500 2024-02-32\n", "500 2024-1-01\n",
        " 500 2024-01-01\n", "500 2024-01-01 x\n", "500  2024-01-01\n", "500\r2024-01-01\n",
        "100 2024-01-01\n500 2024-01-02\n",                  // not best first
        eleven,
        std::string(65537 - 13, '0') + "7 2024-01-01\n",     // over 64 KiB
        "",                                                  // a folder named scores
        "",                                                  // a named pipe, which no one writes
    };
    const size_t count = sizeof cases / sizeof cases[0], strangers = count - 2;
    for (size_t i = 0; i < count; i++) {
        SCOPED_TRACE("case " + std::to_string(i));
        if (i < strangers) {
            Put(cases[i]);
        } else {
            fs::remove(folder_ / "scores");
            if (i == strangers)
                fs::create_directories(folder_ / "scores" / "inside");
            else
                ASSERT_EQ(mkfifo((folder_ / "scores").c_str(), 0600), 0);
        }
        // The ten newest are kept, the higher the number the newer.
        const std::string aside = Aside(std::min(i, (size_t)9));
        ScoreTable scores;
        int rank = -9;
        std::string said = Said([&] {
            // Reading moves it aside as well as saving does.
            Arm(INT_MAX);
            if (i % 2 == 0) {
                EXPECT_EQ(ReadScores(&scores), 1);
                EXPECT_EQ(scores.count, 0);
            }
            rank = SaveScore((Uint32)(900 + i), "2025-06-01", &scores);
        });
        const auto &log = trap.log;
        EXPECT_LT(std::find(log.begin(), log.end(), "fsync folder"), std::find(log.begin(), log.end(), "write"))
            << "the name set aside made to last before the new table";
        trap = Trap();
        EXPECT_EQ(rank, 0);
        EXPECT_EQ(Text(), std::to_string(900 + i) + " 2025-06-01\n") << "a new table";
        ExpectOneLine(said, (folder_ / aside).string());
        if (i < strangers)
            EXPECT_EQ(Text(aside), cases[i]);
        else
            EXPECT_TRUE(i == strangers ? fs::is_directory(folder_ / aside / "inside") : fs::is_fifo(folder_ / aside));
    }
    for (size_t i = count - 10; i < strangers; i++)
        EXPECT_EQ(Text(Aside(i - (count - 10))), cases[i]) << "untouched since";
    EXPECT_FALSE(fs::exists(folder_ / "scores.bad.10"));
}

TEST_F(DesktopScores, ASaveStoppedAtAnyStepLeavesTheOldTableOrTheNew)
{
    const std::string before = "700 2025-01-01\n400 2025-01-02\n100 2025-01-03\n";
    const std::string after = "700 2025-01-01\n500 2025-02-01\n400 2025-01-02\n100 2025-01-03\n";
    // The steps of a whole save, eight bytes a write: every write, then the flushes and the
    // rename in the order that makes each moment safe.
    Put(before);
    Arm(INT_MAX);
    ASSERT_EQ(SaveScore(500, "2025-02-01", nullptr), 1);
    ASSERT_EQ(Text(), after) << "written whole from short writes";
    const std::vector<std::string> steps = trap.log;
    trap = Trap();
    std::vector<std::string> expected(after.size() / 8 + 1, "write");
    expected.insert(expected.end(), {"fsync file", "rename", "fsync folder"});
    ASSERT_EQ(steps, expected);

    for (int kills = 0; kills <= 1; kills++)
        for (int at = 0; at < (int)steps.size(); at++) {
            SCOPED_TRACE(std::string(kills ? "killed before " : "failed at ") + steps[at] + " (step " +
                         std::to_string(at) + ")");
            const bool renamed = at > (int)steps.size() - 2;
            Put(before);
            if (kills) {
                pid_t child = SaveInAChild("500 2025-02-01", nullptr, at);
                int status = 0;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the step was reached";
                EXPECT_EQ(Text(), renamed ? after : before);
                // What the killed save left is cleared by the next one.
                EXPECT_GE(SaveScore(50, "2025-02-02", nullptr), 0);
                EXPECT_EQ(Temporaries(), std::vector<std::string>());
            } else {
                Arm(at);
                int rank = 0;
                std::string said = Said([&] { rank = SaveScore(500, "2025-02-01", nullptr); });
                trap = Trap();
                EXPECT_EQ(rank, renamed ? 1 : SCORE_NOT_SAVED) << "a score is a high score once it is kept";
                EXPECT_EQ(Text(), renamed ? after : before);
                EXPECT_EQ(Temporaries(), std::vector<std::string>());
                ExpectOneLine(said, (folder_ / "scores").string());
                EXPECT_GE(SaveScore(50, "2025-02-02", nullptr), 0) << "it works again: a new failure is said anew";
            }
        }
}

TEST_F(DesktopScores, TwoCopiesSavingAtOnceBothKeepTheirScores)
{
    std::vector<Uint32> all;
    for (int round = 0; round < 20; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        fcntl(go[1], F_SETFD, FD_CLOEXEC);
        pid_t children[2];
        for (int c = 0; c < 2; c++) {
            Uint32 points = (Uint32)(1000 + 2 * round + c);
            all.push_back(points);
            children[c] = SaveInAChild(std::to_string(points) + " 2025-04-01", go, -1);
        }
        close(go[0]);
        close(go[1]); // both are let go at once
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        std::sort(all.rbegin(), all.rend());
        ScoreTable scores;
        ASSERT_EQ(ReadScores(&scores), 1);
        ASSERT_EQ(scores.count, std::min((int)all.size(), 10));
        for (int i = 0; i < scores.count; i++)
            EXPECT_EQ(scores.entries[i].points, all[(size_t)i]) << "rank " << i;
    }
}

TEST_F(DesktopScores, NoFolderOrAStuckLockIsOneLineAndTheGameGoesOn)
{
    // Under a plain file no folder can be made, whatever the permissions.
    std::ofstream(data_ / "file") << "x";
    const fs::path under = data_ / "file" / "data";
    setenv("XDG_DATA_HOME", under.c_str(), 1);
    ScoreTable scores;
    int rank = 0;
    ExpectOneLine(Said([&] { rank = SaveScore(100, nullptr, &scores); }), (under / "sevenfold").string());
    EXPECT_EQ(rank, SCORE_NOT_SAVED);
    EXPECT_EQ(scores.count, 0);
    EXPECT_FALSE(fs::is_directory(under / "sevenfold"));
    EXPECT_EQ(Said([&] { EXPECT_EQ(ReadScores(&scores), 1); }), "") << "no table yet is nothing to say";

    // Another copy that keeps the lock: the save gives up after a while and says so.
    setenv("XDG_DATA_HOME", data_.c_str(), 1);
    char today[11];
    TodaysDate(today);
    ASSERT_EQ(SaveScore(100, nullptr, nullptr), 0);
    EXPECT_EQ(Text(), "100 " + std::string(today) + "\n");
    int held = open((folder_ / "scores.lock").c_str(), O_RDWR);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ExpectOneLine(Said([&] { rank = SaveScore(200, nullptr, nullptr); }), (folder_ / "scores.lock").string());
    EXPECT_EQ(rank, SCORE_NOT_SAVED);

    // A stranger replaced by a table while the reader waits for the lock: only what is seen under
    // the lock goes aside.
    Put("not a table\n");
    std::thread reader([&] { ReadScores(&scores); });
    usleep(300 * 1000);
    Put("300 2025-01-01\n", "scores.new");
    fs::rename(folder_ / "scores.new", folder_ / "scores");
    close(held);
    reader.join();
    EXPECT_EQ(scores.count, 1);
    EXPECT_FALSE(fs::exists(folder_ / "scores.bad"));
    EXPECT_EQ(SaveScore(200, nullptr, nullptr), 1);

    // A file that is not there is removed already.
    GameFile file;
    ASSERT_EQ(OpenGameFile(&file, DataFolder, "gone", "nothing", 0), 1);
    EXPECT_EQ(Said([&] { EXPECT_EQ(RemoveGameFile(&file), 1); }), "");
    CloseGameFile(&file);
}

TEST_F(DesktopScores, AFailedSaveLeavesTheFileAsItWasWithOneLine)
{
    // The game kept at the exit, over the game this copy continued: the score goes into the table
    // as well, and the game stays to go on from.
    const std::string game = "sevenfold game 2\nboard 0123456/3456012/6012345/2345601/5601234/1234560/4560123\n"
                             "score 120\ncursor 4 5\nlifted none\n";
    Put(game, "game");
    SaveSettings();
    ContinueKeptGame();
    score = 500;
    Arm(0);
    std::string said = Said(GameLeft);
    trap = Trap();
    EXPECT_EQ(Text("game"), game);
    ExpectOneLine(said, (folder_ / "game").string());
    EXPECT_EQ(Text().substr(0, 4), "500 ") << "the score kept in the table too";

    // The settings: a change that cannot be saved.
    const fs::path settings = fs::path(getenv("XDG_CONFIG_HOME")) / "sevenfold" / "settings";
    std::ofstream(settings) << "# mine\nvolume = 3\n";
    LoadSettings();
    _VOLUME = 9;
    Arm(0);
    said = Said(SaveSettings);
    trap = Trap();
    EXPECT_EQ(FileText(settings), "# mine\nvolume = 3\n");
    ExpectOneLine(said, settings.string());

    // A game that is a link to itself: one line for a whole run, not one at each look.
    fs::remove(folder_ / "game");
    fs::create_symlink("game", folder_ / "game");
    said = Said([] { ContinueKeptGame(); KeepGamePlayed(); GameLeft(); });
    ExpectOneLine(said, (folder_ / "game").string());
    EXPECT_TRUE(fs::is_symlink(folder_ / "game"));
    // A game over whose score cannot enter the table leaves the game kept, its points with it.
    fs::remove(folder_ / "game");
    Put(game, "game");
    firstGameDealt = 0;
    ContinueKeptGame();
    GameBegins();
    Arm(0);
    said = Said(GameEnds);
    trap = Trap();
    EXPECT_EQ(Text("game"), game);
    fs::remove(settings);
    score = 0;
    GameBegins(); // the next game's score is one to enter
    firstGameDealt = 0;
}

} // namespace

// The calls a save of the high scores makes, forwarded unless a test has armed the trap.
extern "C" {
ssize_t __real_write(int fd, const void *buffer, size_t size);
int __real_fsync(int fd);
int __real_renameat(int fromFolder, const char *from, int toFolder, const char *to);

ssize_t __wrap_write(int fd, const void *buffer, size_t size)
{
    if (Sprung(fd, "write"))
        return -1;
    if (trap.armed && trap.writeMost != 0 && pthread_equal(trap.thread, pthread_self()))
        size = std::min(size, trap.writeMost);
    return __real_write(fd, buffer, size);
}

int __wrap_fsync(int fd)
{
    return Sprung(fd, "fsync") ? -1 : __real_fsync(fd);
}

int __wrap_renameat(int fromFolder, const char *from, int toFolder, const char *to)
{
    return Sprung(-1, "rename") ? -1 : __real_renameat(fromFolder, from, toFolder, to);
}
}
