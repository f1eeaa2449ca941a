#pragma once
// Where the tests find the programs of the build and the fixture files, and a temporary
// folder of their own that is removed afterwards.
#include <string>
#include <vector>

namespace testing_support {

std::string BinDir();  // the folder of the running test program (all executables are there)
std::string BinPath(const std::string& name);
std::string DataDir();  // the build tree's copy of tests\data, as a Windows path
// The text of the fixtures' files (tests/data/README.md): "Line 0001: the quick ..." CR LF.
std::string FixtureLines(int count);

std::string ReadFile(const std::string& path);  // whole file, binary; empty if missing
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Every name below a folder with its content ("name=content"), folders as "name\", sorted.
std::vector<std::string> TreeOf(const std::string& folder);
// The names directly in a folder, sorted; none when it cannot be listed.
std::vector<std::string> Names(const std::string& folder);

// The Linux path of a Windows path, as Wine maps it.
std::string UnixPath(const std::string& windows_path);
// Runs a command line of the Linux shell (Wine starts Linux programs too) and gives its exit
// status, -1 when it did not finish in time. Wine hands out no handle to wait on for a Linux
// process, so the command leaves a mark file behind that is watched for. The command must
// not hold double quotes.
int RunLinuxShell(const std::string& command, int timeout_ms = 20000);
// A symbolic link made on the Linux side: this Wine's CreateSymbolicLinkA answers TRUE and
// makes nothing. Wine shows a link to a folder as a folder that is a reparse point.
bool MakeLinuxLink(const std::string& target, const std::string& link);

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

}  // namespace testing_support
