// The verbs of this version's association set (its archive rows are in the archiver DLLs'
// records, archiver/associations.h), and the previous version's whole set, kept so that an
// older version's entries can be removed. Rows end with the extension "NULL", verb lists
// with the verb "NULL".
#include <windows.h>

#include <cstring>

#include "lib/stdplus.h"
#include "winx_assoc.h"

// The all-files editor verbs point here, so that the options sheet can name the Notepad of
// this machine's Windows folder before it associates.
static char g_editor[MAX_PATH] = "c:\\windows\\notepad.exe";

static constexpr WinX_VerbRow kEnd = {"NULL", "", "", "", WinX_Verb_NotDefault};

// ---- Quarvel SV 1.10 -------------------------------------------------------------------

static constexpr WinX_VerbRow kOpen = {"open", "自動オープン(&O)", "", "-d \"%1\"",
                                       WinX_Verb_Default};
static constexpr WinX_VerbRow kOpenFolder = {"2.Open Folder(&G)", "開く(&F)", "", "-o \"%1\"",
                                             WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kMelt = {"3.Melt(&I)", "解凍・インストール(&I)...", "", "-i \"%1\"",
                                       WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kBack = {"4.&Back to Normal", "通常化(&B)", "", "-r \"%1\"",
                                       WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kUpdate = {"5.&Update", "圧縮フォルダの更新(&U)", "", "-u \"%1\"",
                                         WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kDivide = {"6.Di&vide to Flopy", "フロッピー分割(&V)...", "",
                                         "-v \"%1\"", WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kSetting = {"7.Zent S&etting", "Quarvel 設定(&E)...", "", "",
                                          WinX_Verb_NotDefault};

const WinX_VerbRow WinX_FullVerbs[] = {kOpen,   kOpenFolder, kMelt,    kBack,
                                       kUpdate, kDivide,     kSetting, kEnd};
const WinX_VerbRow WinX_ShortVerbs[] = {kOpen, kOpenFolder, kMelt, kDivide, kSetting, kEnd};
static const WinX_VerbRow kFolder[] = {
    {"1.Cusom Freeze(&G)", "圧縮(&G)...", "", "-x \"%1\"", WinX_Verb_NotDefault},
    {"2.Freeze(&A)", "圧縮化(&A)", "", "-c \"%1\"", WinX_Verb_NotDefault},
    kEnd};
static const WinX_VerbRow kAllFiles[] = {
    {"1.memo(&J)", "メモ帳(&J)", g_editor, "\"%1\"", WinX_Verb_DefaultIfNone},
    {"2.Cusom Freeze(&G)", "圧縮(&G)...", "", "-x \"%1\"", WinX_Verb_NotDefault},
    {"3.Freeze(&A)", "圧縮化(&A)", "", "-c \"%1\"", WinX_Verb_NotDefault},
    kEnd};

const WinX_TypeRow WinX_FolderRow = {"folder", nullptr, true, "", -1, kFolder};
const WinX_TypeRow WinX_AllFilesRow = {"*", nullptr, true, "", -1, kAllFiles};

// ---- Quarvel 2 2.00 --------------------------------------------------------------------

static constexpr WinX_VerbRow kOpen2 = {"&Open", "自動オープン(&O)", "", "-d \"%1\"",
                                        WinX_Verb_Default};
static constexpr WinX_VerbRow kOpenFolder2 = {"Open &Folder", "開く(&F)", "", "-o \"%1\"",
                                              WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kMelt2 = {"Melt(&I)", "解凍・インストール(&I)...", "", "-i \"%1\"",
                                        WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kBack2 = {"&Back to Normal", "通常化(&B)", "", "-r \"%1\"",
                                        WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kUpdate2 = {"&Update", "圧縮フォルダの更新(&U)", "", "-u \"%1\"",
                                          WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kDivide2 = {"Di&vide to Flopy", "フロッピー分割(&V)...", "",
                                          "-v \"%1\"", WinX_Verb_NotDefault};
static constexpr WinX_VerbRow kSetting2 = {"Zent S&etting", "Quarvel 設定(&E)...", "", "",
                                           WinX_Verb_NotDefault};

static const WinX_VerbRow kFull2[] = {kOpen2,   kOpenFolder2, kMelt2,    kBack2,
                                      kUpdate2, kDivide2,     kSetting2, kEnd};
static const WinX_VerbRow kShort2[] = {kOpen2, kOpenFolder2, kMelt2, kDivide2, kSetting2, kEnd};
static const WinX_VerbRow kFolder2[] = {
    {"Freeze(&A)", "圧縮化(&A)", "", "-c \"%1\"", WinX_Verb_NotDefault},
    {"Cusom Freeze(&L)", "カスタム圧縮(&L)...", "", "-x \"%1\"", WinX_Verb_NotDefault},
    kEnd};
static const WinX_VerbRow kAllFiles2[] = {
    {"edit(&E)", "編集(&E)", g_editor, "\"%1\"", WinX_Verb_DefaultIfNone},
    {"Freeze(&A)", "圧縮化(&A)", "", "-c \"%1\"", WinX_Verb_NotDefault},
    {"Cusom Freeze(&L)", "カスタム圧縮(&L)", "", "-x \"%1\"", WinX_Verb_NotDefault},
    kEnd};

static const WinX_TypeRow kPreviousRows[] = {
    {"lzh", "LHA 形式圧縮ファイル", true, "", 4, kFull2},
    {"zip", "ZIP 形式圧縮ファイル", true, "", 3, kShort2},
    {"zip", "ZIP 形式圧縮ファイル", true, "", 3, kFull2},
    {"cab", "CAB 形式圧縮ファイル", true, "", 5, kFull2},
    {"rar", "RAR 形式圧縮ファイル", true, "", 6, kShort2},
    {"arj", "ARJ 形式圧縮ファイル", true, "", 7, kShort2},
    {"yz1", "YZ1 形式圧縮ファイル", true, "", 8, kFull2},
    {"gca", "GCA 形式圧縮ファイル", true, "", 9, kShort2},
    {"gz", "tar.gz / gz(gzip) 形式圧縮ファイル", true, "", 10, kFull2},
    {"bz2", "bzip 形式圧縮ファイル", true, "", 10, kShort2},
    {"tar", "tar 形式結合ファイル", true, "", 10, kShort2},
    {"tgz", "tar.gz 形式圧縮ファイル", true, "", 10, kShort2},
    {"taz", "tar.gz 形式圧縮ファイル", true, "", 10, kShort2},
    {"deb", "deb 形式圧縮ファイル", true, "", 10, kShort2},
    {"folder", nullptr, true, "", -1, kFolder2},
    {"*", nullptr, true, "", -1, kAllFiles2},
    {"NULL", nullptr, true, "", -1, nullptr},
};

const WinX_TypeSet WinX_PreviousTypeSet = {"Quarvel 2", "2.00", kPreviousRows};

void WinX_SetAllFilesEditor(const char* program) {
    StdPlus_CopyN(g_editor, program, sizeof g_editor);
}

int WinX_TypeSetRowCount(const WinX_TypeSet* set) {
    int n = 0;
    while (strcmp(set->rows[n].extension, "NULL") != 0) n++;
    return n;
}
