#pragma once
// The prefix's floppy drive A: with real disks. Each disk is a floppy-sized RAM file system
// that tests/support/floppy-disk.sh mounts on the drive's folder (as root); changing the
// disk is taking one out and mounting a fresh one. A disk taken out can be kept and put in
// again later with the same files and times.
#include <string>

namespace testing_support {

class FloppyDrive {
public:
    FloppyDrive() = default;
    // Takes out a disk left in the drive and forgets the kept ones, so that a failed test
    // leaves no mount behind.
    ~FloppyDrive();
    FloppyDrive(const FloppyDrive&) = delete;
    FloppyDrive& operator=(const FloppyDrive&) = delete;

    // Each gives "" when done, else what went wrong ("not root" when the tests cannot mount).
    std::string Insert(const std::string& kept = "");  // a blank disk, or the disk kept so
    std::string Eject(const std::string& keep = "");   // with a name, the files are kept
    std::string Protect();                             // write protection on
    // The files of the disk kept under name, as a Windows folder.
    std::string Kept(const std::string& name) const;

    static std::string Root() { return "A:\\"; }

private:
    std::string Run(const std::string& command);
    bool inserted_ = false;
};

}  // namespace testing_support
