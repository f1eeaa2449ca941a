#include <gtest/gtest.h>

#include <string>

#include "shell/winx_filetype.h"
#include "../support/registry_env.h"

using testing_support::DeleteKeyTree;
using testing_support::PutBinary;
using testing_support::PutDword;
using testing_support::PutString;
using testing_support::ScopedClass;

namespace {

class FileTypeReaders : public testing::Test {
protected:
    void TearDown() override {
        for (const char* key : {".qvr1", "qvr1file", ".qvr2", "qvr2file"})
            DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }
    void Type(const std::string& ext) {
        PutString(HKEY_CLASSES_ROOT, "." + ext, nullptr, ext + "file");
    }
    void Verb(const std::string& ext, const std::string& verb, const char* menu) {
        std::string key = ext + "file\\shell\\" + verb;
        PutString(HKEY_CLASSES_ROOT, key + "\\command", nullptr, "prog.exe " + verb + " \"%1\"");
        if (menu != nullptr) PutString(HKEY_CLASSES_ROOT, key, nullptr, menu);
    }
    std::string Icon(const char* ext, int* index) {
        char file[MAX_PATH] = "junk";
        *index = -7;
        WinX_GetTypeIcon(ext, file, index);
        return file;
    }
};

}  // namespace

TEST_F(FileTypeReaders, IconIsSplitAtTheLastComma) {
    Type("qvr1");
    int index;
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\DefaultIcon", nullptr, "C:\\x.dll,3");
    EXPECT_EQ(Icon("qvr1", &index), "C:\\x.dll");
    EXPECT_EQ(index, 3);
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\DefaultIcon", nullptr, "C:\\a,b\\x.dll,-12");
    EXPECT_EQ(Icon("qvr1", &index), "C:\\a,b\\x.dll");
    EXPECT_EQ(index, -12);
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\DefaultIcon", nullptr, "C:\\x.ico");
    EXPECT_EQ(Icon("qvr1", &index), "C:\\x.ico");
    EXPECT_EQ(index, 0);
}

TEST_F(FileTypeReaders, IconWithoutDefaultIconIsTheProgramOfTheDefaultVerb) {
    Type("qvr1");
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\shell", nullptr, "edit");
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\shell\\edit\\command", nullptr,
              "\"C:\\Program Files\\Editor\\ed.exe\" \"%1\"");
    int index;
    EXPECT_EQ(Icon("qvr1", &index), "C:\\Program Files\\Editor\\ed.exe");
    EXPECT_EQ(index, 0);
}

TEST_F(FileTypeReaders, IconOfAnUnregisteredTypeIsEmpty) {
    int index;
    EXPECT_EQ(Icon("qvr1", &index), "");
    EXPECT_EQ(index, 0);
    Type("qvr1");  // a program id with nothing behind it
    EXPECT_EQ(Icon("qvr1", &index), "");
}

TEST_F(FileTypeReaders, VerbsWithoutDefaultListOpenFirstWithItsStandardMenuText) {
    Type("qvr1");
    Verb("qvr1", "edit", "編集(&E)");
    Verb("qvr1", "open", nullptr);
    Verb("qvr1", "print", nullptr);
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\shell\\nocommand", nullptr, "no command");
    WinX_VerbInfo records[10];
    int default_index = -2;
    int count = WinX_ListVerbs("qvr1", records, 10, false, &default_index);
    ASSERT_EQ(count, 3);  // the verb without a command is not listed
    EXPECT_STREQ(records[0].name, "open");
    EXPECT_STREQ(records[0].menu, "開く(&O)");
    EXPECT_STREQ(records[0].command, "prog.exe open \"%1\"");
    EXPECT_EQ(default_index, 0);
    EXPECT_STREQ(records[1].name, "edit");
    EXPECT_STREQ(records[1].menu, "編集(&E)");
    EXPECT_STREQ(records[2].menu, "印刷(&P)");
}

TEST_F(FileTypeReaders, DefaultVerbLeadsAndDdeAndFlagsAreRead) {
    Type("qvr1");
    Verb("qvr1", "open", "開く");
    Verb("qvr1", "view", "表示");
    PutString(HKEY_CLASSES_ROOT, "qvr1file\\shell", nullptr, "view");
    std::string view = "qvr1file\\shell\\view";
    PutBinary(HKEY_CLASSES_ROOT, view, "EditFlags", std::string("\x01\x00\x00\x00", 4));
    PutString(HKEY_CLASSES_ROOT, view + "\\ddeExec", nullptr, "[view(\"%1\")]");
    PutString(HKEY_CLASSES_ROOT, view + "\\ddeExec\\application", nullptr, "Viewer");
    PutString(HKEY_CLASSES_ROOT, view + "\\ddeExec\\ifexec", nullptr, "[]");
    PutString(HKEY_CLASSES_ROOT, view + "\\ddeExec\\topic", nullptr, "System");
    std::string open = "qvr1file\\shell\\open";
    PutString(HKEY_CLASSES_ROOT, open + "\\ddeExec", nullptr, "[open]");  // incomplete
    WinX_VerbInfo records[10];
    int default_index;
    ASSERT_EQ(WinX_ListVerbs("qvr1", records, 10, false, &default_index), 2);
    EXPECT_EQ(default_index, 0);
    EXPECT_STREQ(records[0].name, "view");
    EXPECT_EQ(records[0].edit_flags[0], 1);
    EXPECT_TRUE(records[0].has_dde);
    EXPECT_STREQ(records[0].dde_message, "[view(\"%1\")]");
    EXPECT_STREQ(records[0].dde_application, "Viewer");
    EXPECT_STREQ(records[0].dde_ifexec, "[]");
    EXPECT_STREQ(records[0].dde_topic, "System");
    EXPECT_STREQ(records[1].name, "open");
    EXPECT_FALSE(records[1].has_dde);
}

TEST_F(FileTypeReaders, AllFilesVerbsComeFirstAndCapacityIsKept) {
    ScopedClass star("*");
    PutString(HKEY_CLASSES_ROOT, "*\\shell\\memo\\command", nullptr, "notepad.exe \"%1\"");
    Type("qvr1");
    Verb("qvr1", "a", nullptr);
    Verb("qvr1", "b", nullptr);
    Verb("qvr1", "c", nullptr);
    WinX_VerbInfo records[3];
    int default_index;
    int count = WinX_ListVerbs("qvr1", records, 3, true, &default_index);
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(records[0].name, "memo");
    EXPECT_EQ(default_index, -1);
    EXPECT_EQ(WinX_ListVerbs("qvr1", records, 3, false, &default_index), 3);
    EXPECT_EQ(WinX_ListVerbs("qvr2", records, 3, false, &default_index), 0);
}

TEST_F(FileTypeReaders, ConfirmOnOpenFollowsTheTypesEditFlags) {
    EXPECT_TRUE(WinX_TypeConfirmsOpen("qvr1"));  // no registration
    Type("qvr1");
    EXPECT_TRUE(WinX_TypeConfirmsOpen("qvr1"));  // no program id key
    PutString(HKEY_CLASSES_ROOT, "qvr1file", nullptr, "type");
    EXPECT_TRUE(WinX_TypeConfirmsOpen("qvr1"));  // no EditFlags
    PutBinary(HKEY_CLASSES_ROOT, "qvr1file", "EditFlags", std::string("\x00\x00\x01\x00", 4));
    EXPECT_TRUE(WinX_TypeConfirmsOpen("qvr1"));
    PutBinary(HKEY_CLASSES_ROOT, "qvr1file", "EditFlags", std::string("\x01\x00\x01\x00", 4));
    EXPECT_FALSE(WinX_TypeConfirmsOpen("qvr1"));
    PutBinary(HKEY_CLASSES_ROOT, "qvr1file", "EditFlags", std::string("\x01\x00\x00\x00", 4));
    EXPECT_TRUE(WinX_TypeConfirmsOpen("qvr1"));
    // Windows itself often stores the flags as a DWORD: the same four bytes.
    PutDword(HKEY_CLASSES_ROOT, "qvr1file", "EditFlags", 0x00010001);
    EXPECT_FALSE(WinX_TypeConfirmsOpen("qvr1"));
}
