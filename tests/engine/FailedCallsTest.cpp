// System calls a write relies on, failed on purpose in ter5tool processes
// (TER5TOOL_FAIL): before the commit each failure is an error of the write that
// leaves every file as it was; after it, the error is reported and the write is
// completed. Replaced files keep their POSIX ACL and extended attributes.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "DataSetTestSupport.h"
#include "ProcessSupport.h"
#include "engine/FileTransaction.h"
#include "engine/TableFile.h"

namespace ter5::engine::testing {
namespace {

const fs::path kData = TER5_TEST_DATA_DIR;
// An extended attribute of the user namespace, which a file's owner may set.
constexpr char kAttribute[] = "user.ter5.note";

std::string Quoted(const fs::path& p) { return "'" + PathToUtf8(p) + "'"; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::uint32_t ModeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A copy of a real keyed table (SPRKU: .DB and .PX, so every write is journaled)
// and a CSV of one new row.
class FailedCallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"SPRKU.DB", "SPRKU.PX"}) {
            fs::copy_file(kData / "Chevich+KsmProj" / name, dir.Path() / name);
            fs::permissions(dir.Path() / name, fs::perms(0640));
        }
        std::ofstream(csv) << "Kod,Name\n77,Новая строка\n";
        ASSERT_EQ(RunTool("dump " + Quoted(table), &before), 0);
    }
    std::string Append(const std::string& fail, int expected) {
        std::string out;
        EXPECT_EQ(RunTool("append " + Quoted(table) + " " + Quoted(csv), &out, "TER5TOOL_FAIL=" + fail), expected)
            << fail << "\n" << out;
        return out;
    }
    std::string Dump() {
        std::string out;
        EXPECT_EQ(RunTool("dump " + Quoted(table), &out), 0) << out;
        return out;
    }

    TempDir dir, scratch;
    const fs::path table = dir.Path() / "SPRKU.DB";
    const fs::path csv = scratch.Path() / "row.csv";
    std::string before;
};

TEST_F(FailedCallsTest, ACallFailingBeforeTheCommitFailsTheWriteAndChangesNothing) {
    ASSERT_EQ(::setxattr(table.c_str(), kAttribute, "x", 1, 0) == 0 || errno == ENOTSUP, true);
    const bool attributes = ::getxattr(table.c_str(), kAttribute, nullptr, 0) == 1;
    // The group of the files is not this process's: the new files must be given it.
    const bool superuser = ::geteuid() == 0;
    if (superuser) {
        for (const char* name : {"SPRKU.DB", "SPRKU.PX"}) ASSERT_EQ(::chown((dir.Path() / name).c_str(), 0, 65534), 0);
    }
    struct Failure {
        std::string fail;
        std::string message;
        bool applies;
    };
    const std::vector<Failure> failures = {
        {"chmod:EPERM", "cannot give the new file the mode 0640 of the file it replaces: Operation not permitted", true},
        {"chown:EPERM:1,chown:EPERM:2", "cannot give the new file the group 65534", superuser},
        {"xattr:EIO", std::string("cannot give the new file the extended attribute ") + kAttribute, attributes},
        {"fsync:EIO", "write failed: Input/output error", true},
        {"dirsync:EIO", "the write could not be committed", true},   // the journal's own flush
        {"rename:EIO", "the write could not be committed", true},    // the journal put in place
    };
    for (const Failure& f : failures) {
        if (!f.applies) continue;
        const auto files = Snapshot(dir.Path());
        const std::string out = Append(f.fail, 2);
        EXPECT_TRUE(Contains(out, f.message)) << f.fail << "\n" << out;
        EXPECT_EQ(Snapshot(dir.Path()), files) << f.fail;  // no temporary file, no journal, no change
        EXPECT_EQ(ModeOf(table), 0640u) << f.fail;
        EXPECT_EQ(Dump(), before) << f.fail;
    }
    Append("", 0);
    EXPECT_NE(Dump(), before);
}

TEST_F(FailedCallsTest, ACallFailingAfterTheCommitIsReportedAndTheWriteIsCompleted) {
    const std::vector<std::pair<std::string, std::string>> failures = {
        {"rename:EIO:2", "the write stopped half-way"},          // the first table file
        {"dirsync:EIO:2", "the write was made, but it may not survive a power cut"},
        {"dirsync:EIO:3", "the write was made, but it may not survive a power cut"},
    };
    int key = 100;
    for (const auto& [fail, message] : failures) {
        std::ofstream(csv) << "Kod,Name\n" << ++key << ",Строка\n";
        const std::string out = Append(fail, 2);
        EXPECT_TRUE(Contains(out, message)) << fail << "\n" << out;
        std::string verified;
        EXPECT_EQ(RunTool("verify " + Quoted(table), &verified), 0) << fail << "\n" << verified;
        EXPECT_TRUE(Contains(Dump(), ",Строка")) << fail;
        EXPECT_FALSE(HasInterruptedWrite(table)) << fail;
        EXPECT_TRUE(LeftoverTemporaries(table).empty()) << fail;
        EXPECT_EQ(ModeOf(table), 0640u) << fail;
    }
}

// Runs a shell command; its exit code.
int Shell(const std::string& command, std::string* output = nullptr) {
    return RunProgram("sh", "-c " + Quoted(command), output);
}

TEST_F(FailedCallsTest, ReplacedAndNewFilesKeepTheTablesAclAndExtendedAttributes) {
    if (Shell("command -v setfacl && command -v getfacl") != 0)
        GTEST_SKIP() << "setfacl and getfacl (Debian package acl) are not installed";
    if (Shell("setfacl -m u:nobody:rw " + Quoted(table) + " " + Quoted(dir.Path() / "SPRKU.PX")) != 0)
        GTEST_SKIP() << "the file system of " << dir.Path() << " does not support POSIX ACLs";
    const bool attributes = ::setxattr(table.c_str(), kAttribute, "kept", 4, 0) == 0;
    const auto mode = ModeOf(table);
    Append("", 0);
    ASSERT_EQ(RunTool("index add " + Quoted(table) + " --secondary ByName Name --case-insensitive"), 0);
    for (const char* name : {"SPRKU.DB", "SPRKU.PX", "SPRKU.XG0", "SPRKU.YG0"}) {
        std::string acl;
        ASSERT_EQ(Shell("getfacl -cp " + Quoted(dir.Path() / name), &acl), 0) << name;
        EXPECT_TRUE(Contains(acl, "user:nobody:rw-")) << name << "\n" << acl;
    }
    EXPECT_EQ(ModeOf(table), mode);
    if (attributes) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(table.c_str(), kAttribute, value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
    EXPECT_TRUE(Contains(Dump(), "77,Новая строка"));
}

}  // namespace
}  // namespace ter5::engine::testing

#endif  // !_WIN32
