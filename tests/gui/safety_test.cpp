// The safety confirmation as a user meets it: the real dialog, driven from a second thread
// while the test's thread runs it modally; what it starts is seen through recorder.exe.
#include <gtest/gtest.h>
#include <sys/utime.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <initializer_list>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../support/gui_driver.h"
#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "autoopen/safety.h"
#include "autoopen/safety_ids.h"
#include "lib/strx.h"

using testing_support::BinPath;
using testing_support::CatchRaise;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WaitForLog;
using testing_support::WriteFile;

namespace {

const char kCaption[] = "ファイルの安全性の確認 - Quarvel SV";

Zent_Settings g_settings;  // large: kept out of the stack

// What the driver saw of the dialog; read by the test after the dialog has ended.
struct Seen {
    bool shown = false;
    int default_button = 0;
    std::vector<int> order;
    std::string question, time, size, origin;
    bool menu_visible = false, label_visible = false, origin_visible = false;
    bool origin_fits = false;  // the origin line's text is drawn whole in its control
    std::vector<std::string> menu;
    int selection = -2;
    bool controls_inside = false;  // the check box and the buttons lie inside the dialog
};

bool ControlsInside(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    for (int id :
         {IDC_SAFETY_WARNING, IDC_SAFETY_DONT_ASK, IDOK, IDC_SAFETY_OPEN_FOLDER, IDCANCEL}) {
        RECT r;
        GetWindowRect(GetDlgItem(dialog, id), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        if (r.top < client.top || r.bottom > client.bottom) return false;
    }
    return true;
}

// The control's text in its font is no wider than the control.
bool TextFits(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::string text = gui::ControlText(dialog, id);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT r;
    GetClientRect(control, &r);
    return extent.cx <= r.right - r.left && extent.cy <= r.bottom - r.top;
}

void Look(HWND dialog, Seen* seen) {
    seen->shown = true;
    seen->default_button = gui::DefaultButton(dialog);
    seen->order = gui::ControlOrder(dialog);
    seen->question = gui::ControlText(dialog, IDC_SAFETY_QUESTION);
    seen->time = gui::ControlText(dialog, IDC_SAFETY_TIME);
    seen->size = gui::ControlText(dialog, IDC_SAFETY_SIZE);
    seen->origin = gui::ControlText(dialog, IDC_SAFETY_INTERNET);
    seen->origin_visible = gui::IsVisible(dialog, IDC_SAFETY_INTERNET);
    seen->origin_fits = TextFits(dialog, IDC_SAFETY_INTERNET);
    seen->menu_visible = gui::IsVisible(dialog, IDC_SAFETY_MENU);
    seen->label_visible = gui::IsVisible(dialog, IDC_SAFETY_MENU_LABEL);
    for (int i = 0; i < gui::ItemCount(dialog, IDC_SAFETY_MENU); i++)
        seen->menu.push_back(gui::ItemText(dialog, IDC_SAFETY_MENU, i));
    seen->selection = gui::Selection(dialog, IDC_SAFETY_MENU);
    seen->controls_inside = ControlsInside(dialog);
}

time_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
    time_t t = 0;
    StrX_MakeTime(&t, y, mo, d, h, mi, s);
    return t;
}

void SetTime(const std::string& file, time_t t) {
    _utimbuf times{t, t};
    ASSERT_EQ(_utime(file.c_str(), &times), 0) << file;
}

class SafetyDialog : public ::testing::Test {
protected:
    void SetUp() override {
        memset(&g_settings, 0, sizeof g_settings);
        archive_ = dir_ / "app.lzh";
        WriteFile(archive_, "LZH archive stand-in");
        melted_ = dir_ / "app";
        CreateDirectoryA(melted_.c_str(), nullptr);
        log_ = dir_ / "log.txt";
        env_ = std::make_unique<ScopedEnv>("QUARVEL_RECORDER_LOG", log_.c_str());
    }

    Zent_SafetyState State(const std::string& file, bool launch, bool autorun = false,
                           bool tree = false) {
        Zent_SafetyState state{};
        snprintf(state.archive, sizeof state.archive, "%s", archive_.c_str());
        snprintf(state.folder, sizeof state.folder, "%s", melted_.c_str());
        snprintf(state.file, sizeof state.file, "%s", file.c_str());
        state.autorun = autorun;
        state.launch = launch;
        state.tree = tree;
        return state;
    }

    // A program that logs how it was started.
    std::string Program(const std::string& name) {
        std::string path = melted_ + "\\" + name;
        EXPECT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), path.c_str(), FALSE));
        return path;
    }

    // Shows the dialog; the driver looks at it and then does what `act` says.
    template <class Act>
    int Confirm(Zent_SafetyState* state, Seen* seen, Act act) {
        auto driver = std::async(std::launch::async, [&] {
            HWND dialog = gui::WaitForWindow(kCaption);
            if (dialog == nullptr) return;
            Look(dialog, seen);
            act(dialog);
        });
        int result = Zent_ConfirmSafety(&g_settings, state);
        driver.get();
        return result;
    }

    // Runs the dialog expecting it never to be seen; a dialog that does show is cancelled
    // and reported.
    int ConfirmUnseen(Zent_SafetyState* state, bool* shown) {
        std::atomic<bool> done{false}, seen{false};
        std::thread guard([&] {
            while (!done) {
                HWND dialog = FindWindowA(nullptr, kCaption);
                if (dialog != nullptr && IsWindowVisible(dialog)) {
                    seen = true;
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                }
                Sleep(10);
            }
        });
        int result = Zent_ConfirmSafety(&g_settings, state);
        done = true;
        guard.join();
        *shown = seen;
        return result;
    }

    // Everything started so far has logged once a marker run of the recorder has.
    std::string LogAfterMarker() {
        std::string marker = "\"" + BinPath("recorder.exe") + "\" marker";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::vector<char> line(marker.begin(), marker.end());
        line.push_back('\0');
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, 20000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return ReadFile(log_);
    }

    TempDir dir_;
    std::string archive_, melted_, log_;
    std::unique_ptr<ScopedEnv> env_;
};

int CountLines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST(SafetyRules, QuestionTimeAndSizeLines) {
    char out[300];
    EXPECT_STREQ(
        Zent_SafetyQuestion("C:\\dl\\app.lzh", "C:\\c\\app\\setup.exe", true, out, sizeof out),
        "app.lzh の中にある setup.exe を実行しますか？");
    EXPECT_STREQ(Zent_SafetyQuestion("app.lzh", "C:\\c\\app\\readme.txt", false, out, sizeof out),
                 "app.lzh の中にある readme.txt を開きますか？");
    EXPECT_STREQ(Zent_SafetyTimeLine(LocalTime(2004, 8, 26, 0, 5, 0), out, sizeof out),
                 "ファイル更新日： 04/08/26 00:05:00");
    EXPECT_STREQ(Zent_SafetySizeLine(10240, out, sizeof out), "ファイルサイズ： 10240");
}

TEST(SafetyRules, OriginLineForAFileOrArchiveFromTheInternet) {
    TempDir dir;
    std::string file = dir / "setup.exe", archive = dir / "app.lzh";
    WriteFile(file, "MZ");
    WriteFile(archive, "LZH");
    EXPECT_STREQ(Zent_SafetyOriginLine(file.c_str(), archive.c_str()), "");
    // Zones 0 to 2 (this computer, the intranet, trusted sites) are no internet.
    WriteFile(archive + ":Zone.Identifier", "[ZoneTransfer]\r\nZoneId=2\r\n");
    EXPECT_STREQ(Zent_SafetyOriginLine(file.c_str(), archive.c_str()), "");
    for (const char* mark :
         {"[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.com/app.lzh\r\n",
          "[ZoneTransfer]\r\n ZoneId = 4\r\n", "garbled"}) {
        WriteFile(archive + ":Zone.Identifier", mark);
        EXPECT_STREQ(Zent_SafetyOriginLine(file.c_str(), archive.c_str()),
                     "このファイルはインターネットから取得されたものです。")
            << mark;
    }
    DeleteFileA((archive + ":Zone.Identifier").c_str());
    WriteFile(file + ":Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    EXPECT_STREQ(Zent_SafetyOriginLine(file.c_str(), archive.c_str()),
                 "このファイルはインターネットから取得されたものです。");
}

TEST(SafetyRules, FileShownForAnAutorunCommand) {
    TempDir dir;
    WriteFile(dir / "setup.exe", "MZ");
    Autorun_Info info{};
    snprintf(info.file, sizeof info.file, "%s", (dir / "autorun.inf").c_str());
    char out[MAX_PATH];
    snprintf(info.open, sizeof info.open, "notepad \"read me.txt\"");
    EXPECT_EQ(std::string(Zent_AutorunShownFile(&info, out, sizeof out)), dir / "read me.txt");
    // The program that starts, exactly as it will be started.
    snprintf(info.open, sizeof info.open, "setup.exe /q");
    EXPECT_EQ(std::string(Zent_AutorunShownFile(&info, out, sizeof out)), dir / "setup.exe");
    snprintf(info.open, sizeof info.open, "\"setup.exe\" /q");
    EXPECT_EQ(std::string(Zent_AutorunShownFile(&info, out, sizeof out)), dir / "setup.exe");
}

TEST_F(SafetyDialog, PlainModeShowsTheFileAndCancelStartsNothing) {
    std::string readme = melted_ + "\\readme.txt";
    WriteFile(readme, std::string(1234, 'x'));
    SetTime(readme, LocalTime(2004, 8, 26, 0, 5, 0));
    Zent_SafetyState state = State(readme, false);
    Seen seen;
    int result = Confirm(&state, &seen, [](HWND d) { gui::Click(d, IDCANCEL); });
    EXPECT_EQ(result, Zent_Safety_Cancel);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.default_button, IDCANCEL);
    std::vector<int> order = {IDCANCEL,
                              IDC_SAFETY_ICON,
                              -1,
                              IDC_SAFETY_QUESTION,
                              IDC_SAFETY_TIME,
                              IDC_SAFETY_SIZE,
                              IDC_SAFETY_INTERNET,
                              IDC_SAFETY_WARNING,
                              IDC_SAFETY_MENU_LABEL,
                              IDC_SAFETY_MENU,
                              IDC_SAFETY_DONT_ASK,
                              IDOK,
                              IDC_SAFETY_OPEN_FOLDER};
    EXPECT_EQ(seen.order, order);
    EXPECT_EQ(seen.question, "app.lzh の中にある readme.txt を開きますか？");
    EXPECT_EQ(seen.time, "ファイル更新日： 04/08/26 00:05:00");
    EXPECT_EQ(seen.size, "ファイルサイズ： 1234");
    EXPECT_FALSE(seen.menu_visible);
    EXPECT_FALSE(seen.label_visible);
    EXPECT_FALSE(seen.origin_visible);  // nothing says it came from the internet
    // The bands of the hidden menu and origin are taken out; nothing is cut off by it.
    EXPECT_TRUE(seen.controls_inside);
    EXPECT_EQ(g_settings.safe_count, 0);
}

TEST_F(SafetyDialog, FileFromTheInternetSaysSo) {
    const char kInternet[] = "このファイルはインターネットから取得されたものです。";
    std::string setup = Program("setup.exe");
    WriteFile(setup + ":Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    for (bool autorun : {false, true}) {
        SCOPED_TRACE(autorun);
        std::string file = setup;
        if (autorun) {
            file = melted_ + "\\autorun.inf";
            WriteFile(
                file,
                "[autorun]\r\nopen=setup.exe /q\r\nshell\\a=A\r\nshell\\a\\command=a.exe\r\n");
        }
        Zent_SafetyState state = State(file, true, autorun);
        Seen seen;
        Confirm(&state, &seen, [](HWND d) { gui::Click(d, IDCANCEL); });
        ASSERT_TRUE(seen.shown);
        EXPECT_TRUE(seen.origin_visible);
        EXPECT_EQ(seen.origin, kInternet);
        EXPECT_TRUE(seen.origin_fits);
        EXPECT_TRUE(seen.controls_inside);
        EXPECT_EQ(seen.menu_visible, autorun);
    }
}

TEST_F(SafetyDialog, LaunchModeRunsTheProgramWithoutMarkingIt) {
    std::string setup = Program("setup.exe");
    Zent_SafetyState state = State(setup, true);
    Seen seen;
    EXPECT_EQ(Confirm(&state, &seen, [](HWND d) { gui::Click(d, IDOK); }), Zent_Safety_Run);
    EXPECT_EQ(seen.question, "app.lzh の中にある setup.exe を実行しますか？");
    std::string log = WaitForLog(log_, 1);
    EXPECT_NE(log.find("setup.exe"), std::string::npos) << log;
    EXPECT_EQ(g_settings.safe_count, 0);
}

TEST_F(SafetyDialog, MarkedFileRunsUnseenNextTimeEvenInAnotherLetterCase) {
    std::string setup = Program("setup.exe");
    Zent_SafetyState state = State(setup, true);
    Seen seen;
    int result = Confirm(&state, &seen, [](HWND d) {
        gui::ClickAndWait(d, IDC_SAFETY_DONT_ASK);
        gui::Click(d, IDOK);
    });
    EXPECT_EQ(result, Zent_Safety_Run);
    ASSERT_EQ(g_settings.safe_count, 1);
    const Zent_SafeEntry& record = g_settings.safe[0];
    EXPECT_EQ(std::string(record.path), archive_);
    EXPECT_EQ(record.size, static_cast<int>(ReadFile(setup).size()));
    EXPECT_STREQ(record.folder, "setup.exe");
    WaitForLog(log_, 1);

    Zent_SafetyState again = State(setup, true);
    CharUpperA(again.archive);
    bool shown = true;
    EXPECT_EQ(ConfirmUnseen(&again, &shown), Zent_Safety_Run);
    EXPECT_FALSE(shown);
    std::string log = WaitForLog(log_, 2);
    EXPECT_EQ(CountLines(log), 2) << log;
    EXPECT_EQ(g_settings.safe_count, 1);
}

TEST_F(SafetyDialog, ChangedFileOrOtherArchiveIsAskedAgain) {
    std::string file = melted_ + "\\tool.exe";
    std::string content(5000, 'a');
    WriteFile(file, content);
    time_t t = LocalTime(2010, 1, 2, 3, 4, 5);
    SetTime(file, t);
    Zent_AddSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str());
    EXPECT_TRUE(
        Zent_IsSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str()));
    EXPECT_FALSE(Zent_IsSafeFile(&g_settings, file.c_str(), nullptr, (dir_ / "other.lzh").c_str(),
                                 melted_.c_str()));

    SetTime(file, t + 2);  // time only
    EXPECT_FALSE(
        Zent_IsSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str()));
    content[10] = 'b';  // first bytes, same time and size
    WriteFile(file, content);
    SetTime(file, t);
    EXPECT_FALSE(
        Zent_IsSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str()));
    content[10] = 'a';
    content += "tail";  // size
    WriteFile(file, content);
    SetTime(file, t);
    EXPECT_FALSE(
        Zent_IsSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str()));
    // Beyond the first 4096 bytes only the size counts; put back, the file is safe again.
    content.resize(5000);
    content[4500] = 'z';
    WriteFile(file, content);
    SetTime(file, t);
    EXPECT_TRUE(
        Zent_IsSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str()));

    content[0] = 'q';
    WriteFile(file, content);
    SetTime(file, t);
    Zent_SafetyState state = State(file, false);
    Seen seen;
    EXPECT_EQ(Confirm(&state, &seen, [](HWND d) { gui::Click(d, IDCANCEL); }), Zent_Safety_Cancel);
    EXPECT_TRUE(seen.shown);
}

TEST_F(SafetyDialog, RecordVouchesOnlyForTheFileAndCommandThatWereSeen) {
    CreateDirectoryA((melted_ + "\\bin").c_str(), nullptr);
    std::string file = melted_ + "\\bin\\run.exe";
    WriteFile(file, "MZ");
    // An identical copy elsewhere in the folder: same time, size and first bytes.
    std::string copy = melted_ + "\\other.exe";
    ASSERT_TRUE(CopyFileA(file.c_str(), copy.c_str(), FALSE));
    auto safe = [&](const std::string& f, const char* parameters) {
        return Zent_IsSafeFile(&g_settings, f.c_str(), parameters, archive_.c_str(),
                               melted_.c_str());
    };

    Zent_AddSafeFile(&g_settings, file.c_str(), nullptr, archive_.c_str(), melted_.c_str());
    Zent_AddSafeFile(&g_settings, file.c_str(), "/q \"x, y\"", archive_.c_str(), melted_.c_str());
    ASSERT_EQ(g_settings.safe_count, 2);
    // The path relative to the melted folder, and the command when there are parameters.
    EXPECT_STREQ(g_settings.safe[0].folder, "bin\\run.exe");
    EXPECT_STREQ(g_settings.safe[1].folder, "\"bin\\run.exe\" /q \"x, y\"");
    EXPECT_TRUE(safe(file, nullptr));
    EXPECT_TRUE(safe(file, ""));
    EXPECT_TRUE(safe(melted_ + "\\BIN\\Run.exe", "/q \"x, y\""));
    EXPECT_FALSE(safe(file, "/all"));
    EXPECT_FALSE(safe(file, "/Q \"x, y\""));
    EXPECT_FALSE(safe(copy, nullptr));

    // Both kinds of record survive the settings file; the other fields of the record are
    // those it always had.
    std::string ini = dir_ / "dovetrim.ini";
    Zent_SaveSettings(&g_settings, ini.c_str());
    std::string text = ReadFile(ini);
    EXPECT_NE(text.find("Safe = " + archive_ + ", "), std::string::npos) << text;
    EXPECT_NE(text.find(", \"\"\"bin\\run.exe\"\" /q \"\"x, y\"\"\", 0\r\n"), std::string::npos)
        << text;
    memset(&g_settings, 0, sizeof g_settings);
    Zent_LoadSettings(&g_settings, ini.c_str());
    ASSERT_EQ(g_settings.safe_count, 2);
    EXPECT_TRUE(safe(file, nullptr));
    EXPECT_TRUE(safe(file, "/q \"x, y\""));
    EXPECT_FALSE(safe(file, "/q"));
}

TEST_F(SafetyDialog, FullListDropsTheOldestRecord) {
    for (int i = 0; i < Zent_SafeMax; i++) {
        snprintf(g_settings.safe[i].path, sizeof g_settings.safe[i].path, "C:\\old%d.lzh", i);
    }
    g_settings.safe_count = Zent_SafeMax;
    std::string setup = Program("setup.exe");
    Zent_SafetyState state = State(setup, false);
    Seen seen;
    int result = Confirm(&state, &seen, [](HWND d) {
        gui::ClickAndWait(d, IDC_SAFETY_DONT_ASK);
        gui::Click(d, IDOK);
    });
    EXPECT_EQ(result, Zent_Safety_Run);
    ASSERT_EQ(g_settings.safe_count, Zent_SafeMax);
    EXPECT_STREQ(g_settings.safe[0].path, "C:\\old1.lzh");
    EXPECT_STREQ(g_settings.safe[Zent_SafeMax - 2].path, "C:\\old99.lzh");
    EXPECT_EQ(std::string(g_settings.safe[Zent_SafeMax - 1].path), archive_);
    // Without the launch flag the dialog started nothing.
    EXPECT_EQ(LogAfterMarker().find("setup.exe"), std::string::npos);
}

TEST_F(SafetyDialog, OpenFolderInLaunchModeOpensTheParentInExplorer) {
    std::string windows = dir_ / "win";
    CreateDirectoryA(windows.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(BinPath("recorder.exe").c_str(), (windows + "\\explorer.exe").c_str(), FALSE));
    ScopedEnv windir("windir", windows.c_str());
    std::string setup = Program("setup.exe");
    for (bool tree : {true, false}) {
        Zent_SafetyState state = State(setup, true, false, tree);
        Seen seen;
        int result = Confirm(&state, &seen, [](HWND d) { gui::Click(d, IDC_SAFETY_OPEN_FOLDER); });
        EXPECT_EQ(result, Zent_Safety_OpenFolder);
    }
    std::string log = WaitForLog(log_, 2);
    EXPECT_NE(log.find("explorer.exe /e,\"" + melted_ + "\""), std::string::npos) << log;
    EXPECT_NE(log.find("explorer.exe \"" + melted_ + "\""), std::string::npos) << log;
    EXPECT_EQ(log.find("setup.exe"), std::string::npos) << log;
}

TEST_F(SafetyDialog, OpenFolderBeforeConfirmationOpensNothing) {
    std::string windows = dir_ / "win";
    CreateDirectoryA(windows.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(BinPath("recorder.exe").c_str(), (windows + "\\explorer.exe").c_str(), FALSE));
    ScopedEnv windir("windir", windows.c_str());
    std::string setup = Program("setup.exe");
    Zent_SafetyState state = State(setup, false, false, true);
    Seen seen;
    EXPECT_EQ(Confirm(&state, &seen, [](HWND d) { gui::Click(d, IDC_SAFETY_OPEN_FOLDER); }),
              Zent_Safety_OpenFolder);
    std::string log = LogAfterMarker();
    EXPECT_EQ(CountLines(log), 1) << log;
}

TEST_F(SafetyDialog, AutorunMenuRunsTheChosenEntry) {
    std::string setup = Program("setup.exe");
    std::string inf = melted_ + "\\autorun.inf";
    WriteFile(inf,
              "[autorun]\r\nopen=setup.exe /q\r\n"
              "shell\\install=インストール(&I)\r\nshell\\install\\command=setup.exe /i now\r\n"
              "shell\\readme=説明を読む\r\nshell\\readme\\command=notepad readme.txt\r\n");
    Zent_SafetyState state = State(inf, true, true);
    Seen seen;
    int result = Confirm(&state, &seen, [](HWND d) {
        gui::Select(d, IDC_SAFETY_MENU, 1);
        gui::Click(d, IDOK);
    });
    EXPECT_EQ(result, Zent_Safety_Run);
    std::vector<std::string> menu = {"（標準の自動実行）", "インストール(&I)", "説明を読む"};
    EXPECT_EQ(seen.menu, menu);
    EXPECT_EQ(seen.selection, 0);
    EXPECT_TRUE(seen.menu_visible);
    EXPECT_TRUE(seen.label_visible);
    EXPECT_EQ(seen.question, "app.lzh の中にある setup.exe を実行しますか？");
    EXPECT_EQ(seen.size, "ファイルサイズ： " + std::to_string(ReadFile(setup).size()));
    EXPECT_EQ(state.info.verb_count, 2);
    std::string log = WaitForLog(log_, 1);
    EXPECT_EQ(log.substr(log.size() - 9), " /i now\r\n") << log;
}

TEST_F(SafetyDialog, AutorunWithoutMenuOfATrustedProgramRunsUnseen) {
    std::string setup = Program("setup.exe");
    std::string inf = melted_ + "\\autorun.inf";
    WriteFile(inf, "[autorun]\r\nopen=setup.exe /quiet\r\n");
    // Not yet trusted: asked; ticking the box marks the program.
    Zent_SafetyState state = State(inf, true, true);
    Seen seen;
    int result = Confirm(&state, &seen, [](HWND d) {
        gui::ClickAndWait(d, IDC_SAFETY_DONT_ASK);
        gui::Click(d, IDOK);
    });
    EXPECT_EQ(result, Zent_Safety_Run);
    EXPECT_EQ(seen.menu.size(), 1u);
    ASSERT_EQ(g_settings.safe_count, 1);
    EXPECT_STREQ(g_settings.safe[0].folder, "\"setup.exe\" /quiet");
    WaitForLog(log_, 1);

    Zent_SafetyState again = State(inf, true, true);
    bool shown = true;
    EXPECT_EQ(ConfirmUnseen(&again, &shown), Zent_Safety_Run);
    EXPECT_FALSE(shown);
    std::string log = WaitForLog(log_, 2);
    EXPECT_EQ(log.substr(log.size() - 9), " /quiet\r\n") << log;
}

TEST_F(SafetyDialog, AutorunShowingADocumentInNotepadRunsWindowsOwnUnseen) {
    // A recorder stands in for Windows' notepad; the archive brought one of the same name,
    // which a search from the description's folder would find first.
    std::string windows = dir_ / "win";
    CreateDirectoryA(windows.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA(BinPath("recorder.exe").c_str(), (windows + "\\notepad.exe").c_str(), FALSE));
    ScopedEnv windir("windir", windows.c_str());
    Program("notepad.exe");
    std::string inf = melted_ + "\\autorun.inf";
    WriteFile(melted_ + "\\readme.txt", "read me");
    WriteFile(inf, "[autorun]\r\nopen=notepad readme.txt\r\n");
    Zent_SafetyState state = State(inf, true, true);
    bool shown = true;
    EXPECT_EQ(ConfirmUnseen(&state, &shown), Zent_Safety_Run);
    EXPECT_FALSE(shown);
    std::string log = LogAfterMarker();
    EXPECT_NE(log.find(windows + "\\notepad.exe\" readme.txt\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find(melted_ + "\\notepad.exe"), std::string::npos) << log;
}

TEST_F(SafetyDialog, ErrorInsideTheDialogReachesTheCaller) {
    Zent_SafetyState state = State(melted_ + "\\autorun.inf", true, true);  // no such file
    auto caught = CatchRaise([&] { Zent_ConfirmSafety(&g_settings, &state); });
    EXPECT_EQ(caught.code, FileX_Err_CannotReadOpen);
    EXPECT_NE(caught.text.find("autorun.inf"), std::string::npos) << caught.text;
}

}  // namespace
