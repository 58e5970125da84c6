#include "script_fixture.h"

#include "file_output.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <iostream>

namespace {

namespace fs = std::filesystem;

// The temporary files a write to path left in its folder.
std::vector<std::string> leftovers(std::string const& path)
{
    std::string prefix = fs::path(path).filename().string();
    prefix.insert(0, 1, '.');
    prefix.push_back('.');
    std::vector<std::string> out;
    for (auto const& entry : fs::directory_iterator(fs::path(path).parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            out.push_back(entry.path().string());
    return out;
}

// The exit code of body run in a child process whose files may not grow past limit bytes (a
// write beyond it fails with EFBIG, as on a full disk).
int with_file_size_limit(rlim_t limit, std::function<int()> const& body)
{
    std::cout.flush();
    std::cerr.flush();
    pid_t const pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit const r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(ScriptTest, ASaveOrRenderThatFailsPartWayLeavesTheOldFileWhole)
{
    for (std::string const name : {"big.obj", "big.mesh", "big.png"}) {
        SCOPED_TRACE(name);
        std::string const path = temp(name);
        std::string const statement = name.ends_with(".png") ? "render " + path + " 1500 1500" : "save " + path;
        std::string const script = "new grid g 60 60\ncamera 0 2 1 0 0 0\n" + statement + "\n";
        write_file(path, "the old file\n");
        int const code = with_file_size_limit(8192, [&] {
            Outcome const o = run(script);
            bool const reported = o.code == 1 && o.err == "test.vs:3: cannot write '" + path + "': File too large\n";
            if (!reported)
                std::cerr << o.err;
            return reported ? 0 : 1;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(read_file(path), "the old file\n");
        EXPECT_EQ(leftovers(path), std::vector<std::string>{});

        // Without the limit the same statement replaces the file.
        Outcome const o = run(script);
        ASSERT_EQ(o.code, 0) << o.err;
        EXPECT_GT(fs::file_size(path), 8192u);
        fs::remove(path);
    }
}

TEST(ReplaceFile, AWriterThatGivesUpLeavesTheOldFileAndNoTemporary)
{
    std::string const path = ::testing::TempDir() + std::to_string(::getpid()) + "_given_up.txt";
    write_file(path, "old");
    std::string error;
    EXPECT_FALSE(vorn::replace_file(
        path,
        [](std::ostream& out) {
            out << std::string(100000, 'x');
            return std::string("the picture could not be made");
        },
        error));
    EXPECT_EQ(error, "cannot write '" + path + "': the picture could not be made");
    EXPECT_EQ(read_file(path), "old");
    EXPECT_EQ(leftovers(path), std::vector<std::string>{});
    fs::remove(path);
}

TEST(ReplaceFile, KeepsPermissionsFollowsLinksAndRefusesFolders)
{
    std::string const stem = ::testing::TempDir() + std::to_string(::getpid());
    std::string const path = stem + "_kept.txt", link = stem + "_link.txt", folder = stem + "_folder";
    auto const text = [](char const* t) {
        return [t](std::ostream& out) {
            out << t;
            return std::string();
        };
    };
    std::string error;
    write_file(path, "old");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path, link);
    ASSERT_TRUE(vorn::replace_file(link, text("new"), error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read_file(path), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::create_directory(folder);
    EXPECT_FALSE(vorn::replace_file(folder, text("x"), error));
    EXPECT_EQ(error, "cannot write '" + folder + "': it is a folder");
    EXPECT_FALSE(vorn::replace_file(folder + "/absent/file.txt", text("x"), error));
    EXPECT_EQ(error, "cannot write '" + folder + "/absent/file.txt': No such file or directory");
    for (std::string const& p : {path, link, folder})
        fs::remove(p);
}
